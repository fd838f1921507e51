#include "makediff.h"

#include "datdialogs.h"
#include "prompter.h"
#include "utilities.h"
#include "ziparchive.h"

namespace quillon {

namespace {

const QString failedText = "setdelta.exe has failed during creation!";

bool isZip(const QString& path)
{
    return GetExtension(path).toLower() == "zip";
}

QString archiveBeside(const QString& destination)
{
    return GetFileTitle(destination, true) + ".zip";
}

}  // namespace

QString DiffDestination(const QString& typed)
{
    return GetExtension(typed).toLower() == "dat" ? typed : typed + ".dat";
}

MakeDiff::MakeDiff(const DiffTool& tool, DatDialogs& dialogs, Prompter& prompter,
                   LogSink appendLogText, StatusSink showStatus)
    : tool_(tool),
      dialogs_(dialogs),
      prompter_(prompter),
      appendLogText_(std::move(appendLogText)),
      showStatus_(std::move(showStatus))
{
}

DiffOutcome MakeDiff::run(const DiffRequest& request)
{
    QString source = request.sourcePath;
    QString compare = request.comparePath;
    QStringList extracted;
    DiffOutcome outcome = DiffOutcome::Aborted;
    if (takeOutOfZip(source, "Select the source dat...", extracted)
        && takeOutOfZip(compare, "Select the dat to compare with...", extracted)) {
        if (runTool(request, source, compare) && writeResult(request)) {
            tool_.deleteOutputs();
            tell(request.destination + " succesfully created!", {}, PromptIcon::Information);
            outcome = DiffOutcome::Created;
        } else {
            tell(failedText, "External Error", PromptIcon::Critical);
            outcome = DiffOutcome::Failed;
        }
    }
    for (const QString& temporary : extracted)
        DeleteFileQuiet(temporary);
    return outcome;
}

// A zipped input is replaced by a temporary DAT taken out of it; false when none was.
bool MakeDiff::takeOutOfZip(QString& path, const QString& title, QStringList& extracted)
{
    if (!isZip(path))
        return true;
    path = dialogs_.SelectDat(path, title, nullptr);
    if (path.isEmpty()) {
        tell("Operation aborted.", "Make Diff", PromptIcon::Critical);
        return false;
    }
    extracted.append(path);
    return true;
}

// True when the tool ran and left a result; a missing tool has been reported by the runner.
bool MakeDiff::runTool(const DiffRequest& request, const QString& source, const QString& compare)
{
    const RunResult result = tool_.run(request.switches, source, compare, appendLogText_, prompter_);
    return result.started && FileExists(tool_.resultDat());
}

bool MakeDiff::writeResult(const DiffRequest& request)
{
    const QString headerFile = dialogs_.GetCMPHeaderFile({});
    if (!headerFile.isEmpty())
        return writeWithHeader(request, headerFile);
    if (request.zipResult)
        return zipAs(tool_.resultDat(), request.destination);
    return CopyFileReplacing(tool_.resultDat(), request.destination).ok();
}

// The header block, then the tool's DAT, each followed by CR LF. When zipping, the joined DAT is
// put together in a temporary file, so that a DAT of the destination's name is never touched.
bool MakeDiff::writeWithHeader(const DiffRequest& request, const QString& headerFile)
{
    const QString joined = request.zipResult ? GetTempFileName("dat") : request.destination;
    bool written = !joined.isEmpty() && JoinTextFiles(joined, {headerFile, tool_.resultDat()}).ok();
    DeleteFileQuiet(headerFile);
    if (written && request.zipResult)
        written = zipAs(joined, request.destination);
    if (request.zipResult)
        DeleteFileQuiet(joined);
    return written;
}

// Stores `file` under the destination's name in the archive beside the destination.
bool MakeDiff::zipAs(const QString& file, const QString& destination)
{
    showStatus_("Zipping DatFile...");
    const bool zipped = AddToZip(archiveBeside(destination), file, destination, false).ok();
    showStatus_({});
    return zipped;
}

void MakeDiff::tell(const QString& text, const QString& title, PromptIcon icon)
{
    prompter_.ask({.text = text, .title = title, .icon = icon, .centredOnMainWindow = true});
}

}  // namespace quillon
