#pragma once

#include "filedescriptor.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>

namespace quillon {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal, so that a desktop logout or a Ctrl+C
// closes the main window the ordinary way and its state is saved. One per process.
class TerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

    // The last of the watched signals that came, 0 before any; set at once by the signal, before
    // terminationRequested() is emitted from the event loop.
    static int receivedSignal() { return receivedSignal_; }

signals:
    void terminationRequested();

private:
    static void onSignal(int signalNumber);
    void drain();

    // A plain descriptor, not an owner: the signal handler reads it, and only a static of a
    // lock-free type may be touched there. The destructor closes it.
    static int writeEnd_;
    static volatile std::sig_atomic_t receivedSignal_;
    FileDescriptor readEnd_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quillon
