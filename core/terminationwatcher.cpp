#include "terminationwatcher.h"

#include <csignal>
#include <utility>
#include <sys/socket.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr int watchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

int TerminationWatcher::writeEnd_ = -1;
volatile std::sig_atomic_t TerminationWatcher::receivedSignal_ = 0;

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    writeEnd_ = ends[0];
    readEnd_.reset(ends[1]);
    notifier_ = new QSocketNotifier(readEnd_.get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatcher::drain);

    struct sigaction action {};
    action.sa_handler = &TerminationWatcher::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : watchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher()
{
    if (!readEnd_.valid())
        return;
    for (const int signalNumber : watchedSignals)
        std::signal(signalNumber, SIG_DFL);
    ::close(std::exchange(writeEnd_, -1));
    readEnd_.reset();
}

// Only async-signal-safe work here: the event loop does the rest.
void TerminationWatcher::onSignal(int signalNumber)
{
    receivedSignal_ = signalNumber;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(writeEnd_, &byte, 1);
}

void TerminationWatcher::drain()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(readEnd_.get(), &byte, 1);
    emit terminationRequested();
}

}  // namespace quillon
