#include "makediff.h"

#include "datdialogs.h"
#include "prompter.h"
#include "runfolder.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QFile>

#include <sys/stat.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString failedText = u"setdelta.exe has failed during creation!"_s;
const QString notWrittenText = u"The diff Dat could not be written!"_s;

bool isZip(const QString& path)
{
    return GetExtension(path).toLower() == u"zip"_s;
}

QString archiveBeside(const QString& destination)
{
    return GetFileTitle(destination, true) + u".zip"_s;
}

// The same file on disk, whatever the spelling, symbolic or hard links.
bool sameFile(const QString& first, const QString& second)
{
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::stat(QFile::encodeName(first).constData(), &firstStatus) == 0
        && ::stat(QFile::encodeName(second).constData(), &secondStatus) == 0
        && firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

QString withReason(const QString& message, const QString& reason)
{
    return message + u"\n\n"_s + reason;
}

}  // namespace

QString DiffDestination(const QString& typed)
{
    return GetExtension(typed).toLower() == u"dat"_s ? typed : typed + u".dat"_s;
}

QString DiffTarget(const DiffRequest& request)
{
    return request.zipResult ? archiveBeside(request.destination) : request.destination;
}

MakeDiff::MakeDiff(const DiffTool& tool, DatDialogs& dialogs, Prompter& prompter,
                   LogSink appendLogText, StatusSink showStatus, const RunStop* stop)
    : tool_(tool),
      dialogs_(dialogs),
      prompter_(prompter),
      appendLogText_(std::move(appendLogText)),
      showStatus_(std::move(showStatus)),
      stop_(stop)
{
}

DiffOutcome MakeDiff::run(const DiffRequest& request)
{
    if (refusesToReplaceAnInput(request))
        return DiffOutcome::Refused;
    ToolInput source{request.sourcePath, {}, {}};
    ToolInput compare{request.comparePath, {}, {}};
    QStringList extracted;
    DiffOutcome outcome = DiffOutcome::Aborted;
    if (takeOutOfZip(source, u"Select the source dat..."_s, extracted)
        && takeOutOfZip(compare, u"Select the dat to compare with..."_s, extracted))
        outcome = runTool(request, source, compare);
    for (const QString& temporary : extracted)
        DeleteFileQuiet(temporary);
    return outcome;
}

// Writing the result over one of the DATs it is made from would lose that DAT.
bool MakeDiff::refusesToReplaceAnInput(const DiffRequest& request)
{
    const QString target = DiffTarget(request);
    for (const QString& input : {request.sourcePath, request.comparePath}) {
        if (sameFile(target, input)) {
            tell(u"The destination is one of the Dats to compare:\n\n"_s + target
                     + u"\n\nPlease select another destination."_s,
                 u"Warning..."_s, PromptIcon::Exclamation);
            return true;
        }
    }
    return false;
}

// A zipped input is replaced by a temporary DAT taken out of it; false when none was.
bool MakeDiff::takeOutOfZip(ToolInput& input, const QString& title, QStringList& extracted)
{
    if (!isZip(input.path))
        return true;
    QString entryName;
    const QString archive = input.path;
    input.path = dialogs_.SelectDat(archive, title, &entryName);
    if (input.path.isEmpty()) {
        tell(u"Operation aborted."_s, u"Make Diff"_s, PromptIcon::Critical);
        return false;
    }
    extracted.append(input.path);
    input.archive = archive;
    input.entry = entryName;
    return true;
}

// Runs the tool in a run folder of its own, which is removed on every path out of here.
DiffOutcome MakeDiff::runTool(const DiffRequest& request, const ToolInput& source, const ToolInput& compare)
{
    QString whyNot;
    const std::unique_ptr<RunFolder> folder = RunFolder::create(whyNot);
    if (!folder) {
        tell(withReason(failedText, whyNot), u"External Error"_s, PromptIcon::Critical);
        return DiffOutcome::Failed;
    }
    // The tool writes its JSON report only when someone is going to read it.
    const QString reportFile = reportSink_ ? folder->reportFile() : QString();
    const ToolRun run = tool_.run({request.switches, source, compare, folder->path(), reportFile, progressSink_},
                                  appendLogText_, prompter_, stop_);
    if (!run.result.captureError.isEmpty())
        appendLogText_(u"\nThe console output could not be kept in "_s + CaptureFilePath() + u": "_s
                       + run.result.captureError + u"\n"_s);
    if (stopped())
        return DiffOutcome::Cancelled;
    if (const QString reason = ToolFailureReason(run, *folder); !reason.isEmpty()) {
        tell(withReason(failedText, reason), u"External Error"_s, PromptIcon::Critical);
        return DiffOutcome::Failed;
    }
    if (const Outcome written = writeResult(request, folder->datFile()); !written) {
        tell(withReason(notWrittenText, written.reason()), u"Make Diff"_s, PromptIcon::Critical);
        return DiffOutcome::Failed;
    }
    tell(DiffTarget(request) + u" succesfully created!"_s, {}, PromptIcon::Information);
    if (reportSink_)
        reportSink_({folder->reportFile(), folder->logFile(), source, compare});
    return DiffOutcome::Created;
}

Outcome MakeDiff::writeResult(const DiffRequest& request, const QString& toolDat)
{
    const QString headerFile = dialogs_.GetCMPHeaderFile({});
    if (!headerFile.isEmpty())
        return writeWithHeader(request, toolDat, headerFile);
    if (request.zipResult)
        return zipAs(toolDat, request.destination);
    return CopyFileReplacing(toolDat, request.destination);
}

// The header block, then the tool's DAT, each followed by CR LF. When zipping, the joined DAT is
// put together in a temporary file, so that a DAT of the destination's name is never touched.
Outcome MakeDiff::writeWithHeader(const DiffRequest& request, const QString& toolDat,
                                  const QString& headerFile)
{
    const QString joined = request.zipResult ? GetTempFileName(u"dat"_s) : request.destination;
    Outcome written = joined.isEmpty()
        ? Outcome::failure(u"No temporary file can be created in "_s + GetTempFolder())
        : JoinTextFiles(joined, {headerFile, toolDat});
    DeleteFileQuiet(headerFile);
    if (written && request.zipResult)
        written = zipAs(joined, request.destination);
    if (request.zipResult)
        DeleteFileQuiet(joined);
    return written;
}

// Stores `file` under the destination's name in the archive beside the destination.
Outcome MakeDiff::zipAs(const QString& file, const QString& destination)
{
    showStatus_(u"Zipping DatFile..."_s);
    const Outcome zipped = AddToZip(archiveBeside(destination), file, destination, false);
    showStatus_({});
    return zipped;
}

bool MakeDiff::stopped() const
{
    return stop_ && stop_->isRequested();
}

void MakeDiff::tell(const QString& text, const QString& title, PromptIcon icon)
{
    prompter_.ask({.text = text, .title = title, .icon = icon, .centredOnMainWindow = true});
}

}  // namespace quillon
