#include "toolprogress.h"

#include "processrunner.h"

#include <QList>
#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<ToolPhase> phaseNamed(QByteArrayView name)
{
    if (name == "reading")
        return ToolPhase::Reading;
    if (name == "comparing")
        return ToolPhase::Comparing;
    if (name == "writing")
        return ToolPhase::Writing;
    return std::nullopt;
}

std::optional<quint64> byteCount(QByteArrayView field)
{
    bool ok = false;
    const quint64 count = field.toULongLong(&ok);
    // toULongLong would take a sign, blanks or a "0x"; the tool writes plain digits.
    const bool digitsOnly = std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!ok || !digitsOnly)
        return std::nullopt;
    return count;
}

constexpr int readingPercent = 90;
constexpr int comparingPercent = 90;
constexpr int writingPercent = 95;

}  // namespace

int ToolProgress::percent() const
{
    switch (phase) {
    case ToolPhase::Comparing: return comparingPercent;
    case ToolPhase::Writing: return writingPercent;
    case ToolPhase::Reading: break;
    }
    if (oldTotal == 0 || newTotal == 0)
        return -1;
    // By bytes of both inputs together, so that the larger one weighs more.
    const double read =
        static_cast<double>(std::min(oldRead, oldTotal)) + static_cast<double>(std::min(newRead, newTotal));
    const double total = static_cast<double>(oldTotal) + static_cast<double>(newTotal);
    return static_cast<int>(read / total * readingPercent);
}

std::optional<ToolProgress> ParseToolProgress(QByteArrayView line)
{
    const QList<QByteArray> fields = line.toByteArray().split(' ');
    if (fields.size() < 6 || fields[0] != "progress")
        return std::nullopt;
    const std::optional<ToolPhase> phase = phaseNamed(fields[1]);
    if (!phase)
        return std::nullopt;
    std::array<quint64, 4> counts{};
    for (qsizetype i = 0; i < qsizetype(counts.size()); ++i) {
        const std::optional<quint64> count = byteCount(fields[i + 2]);
        if (!count)
            return std::nullopt;
        counts[std::size_t(i)] = *count;
    }
    return ToolProgress{*phase, counts[0], counts[1], counts[2], counts[3]};
}

QString ToolPhaseText(ToolPhase phase)
{
    switch (phase) {
    case ToolPhase::Reading: return u"Reading the Dats..."_s;
    case ToolPhase::Comparing: return u"Comparing..."_s;
    case ToolPhase::Writing: return u"Writing the diff Dat..."_s;
    }
    return {};
}

void ToolProgressReader::receive(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!skippingLongLine_)
            pending_.append(piece);
        if (pending_.size() > maximumLineLength) {
            pending_.clear();
            skippingLongLine_ = true;
        }
        if (end < 0)
            return;
        if (!skippingLongLine_)
            if (const std::optional<ToolProgress> progress = ParseToolProgress(pending_))
                sink_(*progress);
        pending_.clear();
        skippingLongLine_ = false;
        bytes = bytes.sliced(end + 1);
    }
}

ToolProgressChannel::ToolProgressChannel(ToolProgressSink sink) : reader_(sink)
{
    int ends[2];
    // Non-blocking at both ends: Quillon reads what there is, and the tool leaves out a line
    // rather than wait for a window that is busy elsewhere.
    if (!sink || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd_.reset(ends[0]);
    const FileDescriptor pipeWriteEnd(ends[1]);
    // Above standard input, output and error, which the child's own are put in place of.
    writeEnd_.reset(::fcntl(pipeWriteEnd.get(), F_DUPFD_CLOEXEC, 3));
    if (!writeEnd_.valid()) {
        close();
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readAvailable(); });
}

ToolProgressChannel::~ToolProgressChannel()
{
    close();
}

void ToolProgressChannel::addTo(Command& command) const
{
    if (!writeEnd_.valid())
        return;
    command.arguments.prepend(QString::number(writeEnd_.get()));
    command.arguments.prepend(u"--progress-fd"_s);
    command.inheritedDescriptor = writeEnd_.get();
}

void ToolProgressChannel::finish()
{
    readAvailable();
    close();
}

void ToolProgressChannel::readAvailable()
{
    if (!readEnd_.valid())
        return;
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t count = ::read(readEnd_.get(), buffer.data(), buffer.size());
        if (count > 0)
            reader_.receive(QByteArrayView(buffer.data(), count));
        else if (count < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

void ToolProgressChannel::close()
{
    notifier_.reset();
    readEnd_.reset();
    writeEnd_.reset();
}

}  // namespace quillon
