#include "datcapture.h"

#include "prompter.h"

#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

#include <cstdio>

namespace quillon {

namespace {

void reportCritical(Prompter& prompter, const QString& text)
{
    prompter.ask({.text = text, .icon = PromptIcon::Critical});
}

// Shows the status text each time the output has grown past another interval.
class SizeStatus {
public:
    explicit SizeStatus(const StatusSink& showStatus) : showStatus_(showStatus) {}

    void show(qint64 bytes)
    {
        if (bytes / statusInterval > shown_ / statusInterval)
            showStatus_(receivingDataText(bytes));
        shown_ = bytes;
    }

private:
    const StatusSink& showStatus_;
    qint64 shown_ = 0;
};

// Why a finished run did not give a DAT to keep; "" when it did.
QString whyNotKept(const RunResult& run, const QString& destination)
{
    if (run.exitCode < 0)
        return "The program ended abnormally; " + destination + " was left as it was.";
    if (run.exitCode > 0)
        return QString("The program ended with exit code %1; %2 was left as it was.").arg(run.exitCode).arg(destination);
    return {};
}

// A new name in the destination's folder, for the program to create its output under. The file
// itself is left to the program: opening an existing file with truncation makes ext4 flush it
// when it is closed, which a shell redirection to a new file never pays for.
QString unusedNameBeside(const QString& destination)
{
    const QFileInfo target(destination);
    QTemporaryFile reserved(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
    return reserved.open() ? reserved.fileName() : QString();
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
    // The program writes into a file of its own beside the destination, which takes the
    // destination's place only once the program has ended well.
    const QString output = unusedNameBeside(destination);
    if (output.isEmpty()) {
        reportCritical(prompter, "Could not write " + destination + ".");
        return {};
    }
    SizeStatus status(showStatus);
    const RunResult run = RunIntoFile(command, output, [&status](qint64 bytes) { status.show(bytes); }, prompter);
    CaptureResult result{.started = run.started, .bytes = QFileInfo(output).size()};
    QString why = run.started ? whyNotKept(run, destination) : QString();
    if (run.started && why.isEmpty()) {
        result.written = std::rename(QFile::encodeName(output).constData(),
                                     QFile::encodeName(destination).constData()) == 0;
        if (!result.written)
            why = "Could not write " + destination + ".";
    }
    if (!result.written)
        QFile::remove(output);
    if (!why.isEmpty())
        reportCritical(prompter, why);
    return result;
}

}  // namespace quillon
