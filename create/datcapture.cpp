#include "datcapture.h"

#include "prompter.h"

#include <QLocale>
#include <QSaveFile>

namespace quillon {

namespace {

// Writes the received output into the destination's temporary file and counts it.
class DatCapture : public OutputReceiver {
public:
    DatCapture(const QString& destination, const StatusSink& showStatus)
        : file_(destination), showStatus_(showStatus)
    {
    }

    void started() override
    {
        if (!file_.open(QIODevice::WriteOnly))
            failed_ = true;
    }

    void receive(const QByteArray& chunk) override
    {
        if (!failed_ && file_.write(chunk) != chunk.size())
            failed_ = true;
        const qint64 before = bytes_;
        bytes_ += chunk.size();
        if (bytes_ / statusInterval > before / statusInterval)
            showStatus_(receivingDataText(bytes_));
    }

    // Replaces the destination with the whole output; false when it could not be written.
    bool commit() { return !failed_ && file_.commit(); }
    void discard() { file_.cancelWriting(); }

    qint64 bytes() const { return bytes_; }
    QString errorString() const { return file_.errorString(); }

private:
    QSaveFile file_;
    const StatusSink& showStatus_;
    qint64 bytes_ = 0;
    bool failed_ = false;
};

void reportCritical(Prompter& prompter, const QString& text)
{
    prompter.ask({.text = text, .icon = PromptIcon::Critical});
}

}  // namespace

QString receivingDataText(qint64 bytes)
{
    // The C locale leaves digits ungrouped unless asked; every locale groups them here.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return "Receiving data : " + locale.toString(bytes) + " bytes...";
}

CaptureResult CreateDatFile(const Command& command, const QString& destination,
                            const StatusSink& showStatus, Prompter& prompter)
{
    DatCapture capture(destination, showStatus);
    const RunResult run = RunCapturing(command, capture, prompter);
    CaptureResult result{.started = run.started, .bytes = capture.bytes()};
    if (!run.started)
        return result;
    if (run.exitCode < 0) {
        capture.discard();
        reportCritical(prompter, "The program ended abnormally; " + destination + " was left as it was.");
        return result;
    }
    result.written = capture.commit();
    if (!result.written)
        reportCritical(prompter, "Could not write " + destination + ": " + capture.errorString());
    return result;
}

}  // namespace quillon
