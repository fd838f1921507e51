#include "makediff.h"

#include "atomicfile.h"
#include "cmpheader.h"
#include "datdialogs.h"
#include "prompter.h"
#include "runfolder.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString failedText = u"setdelta.exe has failed during creation!"_s;
const QString notWrittenText = u"The diff Dat could not be written!"_s;
const QString reportNotWrittenText = u"The JSON report could not be written!"_s;

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

// Whether a file can be made in the folder of `target`: told before the tool runs and the user
// types a header, not after.
Outcome folderTakesFiles(const QString& target)
{
    const QString folder = QFileInfo(target).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return Outcome::failure(folder + u": "_s + SystemReason(errno));
    return Outcome::success();
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
    failureReason_.clear();
    if (refusesToReplaceAnInput(request))
        return DiffOutcome::Refused;
    if (const Outcome writable = folderTakesFiles(DiffTarget(request)); !writable) {
        fail(notWrittenText, u"Make Diff"_s, writable.reason());
        return DiffOutcome::Failed;
    }
    ToolInput source{request.sourcePath, {}};
    ToolInput compare{request.comparePath, {}};
    if (!chooseZipEntry(source, u"Select the source dat..."_s)
        || !chooseZipEntry(compare, u"Select the dat to compare with..."_s))
        return DiffOutcome::Aborted;
    return runTool(request, source, compare);
}

// Writing the result over one of the DATs it is made from would lose that DAT.
bool MakeDiff::refusesToReplaceAnInput(const DiffRequest& request)
{
    const QString target = DiffTarget(request);
    for (const QString& input : {request.sourcePath, request.comparePath}) {
        if (sameFile(target, input)) {
            failureReason_ = target + u" is one of the DATs to compare; name another destination"_s;
            tell(u"The destination is one of the Dats to compare:\n\n"_s + target
                     + u"\n\nPlease select another destination."_s,
                 u"Warning..."_s, PromptIcon::Exclamation);
            return true;
        }
    }
    return false;
}

// The user picks the DAT of a zipped input; false when none was picked.
bool MakeDiff::chooseZipEntry(ToolInput& input, const QString& title)
{
    if (!isZip(input.path))
        return true;
    input.entry = dialogs_.SelectDatEntry(input.path, title);
    if (input.entry.isEmpty()) {
        failureReason_ = u"no DAT was chosen in "_s + input.path;
        tell(u"Operation aborted."_s, u"Make Diff"_s, PromptIcon::Critical);
        return false;
    }
    return true;
}

// Runs the tool in a run folder of its own, which is removed on every path out of here.
DiffOutcome MakeDiff::runTool(const DiffRequest& request, const ToolInput& source, const ToolInput& compare)
{
    const Result<std::unique_ptr<RunFolder>> created = RunFolder::create();
    if (!created) {
        fail(failedText, u"External Error"_s, created.reason());
        return DiffOutcome::Failed;
    }
    const std::unique_ptr<RunFolder>& folder = *created;
    // The tool writes its JSON report only when someone is going to read it.
    const QString reportFile = wantsReport(request) ? folder->reportFile() : QString();
    const ToolRun run = tool_.run({request.switches, source, compare, folder->path(), reportFile, progressSink_},
                                  appendLogText_, prompter_, stop_);
    if (!run.result.captureError.isEmpty())
        appendLogText_(u"\nThe console output could not be kept in "_s + CaptureFilePath() + u": "_s
                       + run.result.captureError + u"\n"_s);
    if (stopped())
        return DiffOutcome::Cancelled;
    if (const ToolEnd end = ToolEndOf(run, *folder); end != ToolEnd::Done) {
        fail(failedText, u"External Error"_s, ToolFailureReason(run, *folder));
        return end == ToolEnd::Usage ? DiffOutcome::Unusable : DiffOutcome::Failed;
    }
    // The report copy is complete before the destination is touched; only its rename is left.
    std::optional<AtomicFile> reportCopy;
    if (!request.reportCopy.isEmpty()) {
        reportCopy.emplace(request.reportCopy);
        Outcome staged = reportCopy->open();
        if (staged)
            staged = reportCopy->append(folder->reportFile());
        if (!staged) {
            fail(reportNotWrittenText, u"Make Diff"_s, staged.reason());
            return DiffOutcome::Failed;
        }
    }
    // The header editor may be open when the run is stopped (the window closing, a signal).
    const std::optional<DatHeader> header = dialogs_.AskNewHeader();
    if (stopped())
        return DiffOutcome::Cancelled;
    if (const Outcome written = writeResult(request, *folder, header); !written) {
        fail(notWrittenText, u"Make Diff"_s, written.reason());
        return DiffOutcome::Failed;
    }
    if (reportCopy) {
        if (const Outcome kept = reportCopy->commit(); !kept) {
            fail(DiffTarget(request) + u" was written, but not the JSON report."_s, u"Make Diff"_s, kept.reason());
            failureReason_ = DiffTarget(request) + u" was written, but not the JSON report: "_s + kept.reason();
            return DiffOutcome::Failed;
        }
    }
    tell(DiffTarget(request) + u" succesfully created!"_s, {}, PromptIcon::Information);
    if (reportSink_)
        reportSink_({folder->reportFile(), folder->logFile(), header.has_value(), request.zipResult});
    return DiffOutcome::Created;
}

bool MakeDiff::wantsReport(const DiffRequest& request) const
{
    return reportSink_ || !request.reportCopy.isEmpty();
}

Outcome MakeDiff::writeResult(const DiffRequest& request, const RunFolder& folder,
                              const std::optional<DatHeader>& header)
{
    const QString toolDat = folder.datFile();
    if (header)
        return writeWithHeader(request, folder, *header);
    if (request.zipResult)
        return zipAs(toolDat, request.destination);
    return CopyFileReplacing(toolDat, request.destination);
}

// The header block, then the tool's DAT, each followed by CR LF, in one file written whole or not
// at all: the destination itself, or when zipping a file in the run folder, so that a DAT of the
// destination's name is never touched. What the run puts together stays in its private folder.
Outcome MakeDiff::writeWithHeader(const DiffRequest& request, const RunFolder& folder, const DatHeader& header)
{
    const QString headerFile = folder.path() + u"/header.dat"_s;
    if (const Outcome written = WriteHeaderFile(headerFile, header); !written)
        return Outcome::failure(u"The header could not be written: "_s + written.reason());
    const QString joined = request.zipResult ? folder.path() + u"/joined.dat"_s : request.destination;
    if (const Outcome written = JoinTextFiles(joined, {headerFile, folder.datFile()}); !written || !request.zipResult)
        return written;
    return zipAs(joined, request.destination);
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

void MakeDiff::fail(const QString& text, const QString& title, const QString& reason)
{
    failureReason_ = reason;
    tell(withReason(text, reason), title, PromptIcon::Critical);
}

void MakeDiff::tell(const QString& text, const QString& title, PromptIcon icon)
{
    prompter_.ask({.text = text, .title = title, .icon = icon, .centredOnMainWindow = true});
}

}  // namespace quillon
