#pragma once

#include "difftool.h"
#include "outcome.h"
#include "prompter.h"

#include <QString>

#include <functional>
#include <optional>

namespace quillon {

class DatDialogs;
class RunFolder;
class RunStop;
struct DatHeader;

// What one Make Diff compares and where the result goes.
struct DiffRequest {
    QString sourcePath;   // DAT or zip selected in the left panel
    QString comparePath;  // DAT or zip selected in the right panel
    QString destination;  // ends in ".dat" (see DiffDestination)
    QString switches;     // the diff tool's switch string
    bool zipResult = false;
    // Where to keep the tool's JSON report as well; empty: nowhere. It is written before the
    // destination is replaced, so a report that cannot be kept fails the run with nothing lost.
    QString reportCopy;
};

// The reports a successful run leaves in its run folder. They name the DATs compared as the tool
// read them, archive and entry included.
struct DiffReports {
    QString json;      // for programs: every difference (the results window reads it)
    QString readable;  // for people
    bool withHeader = false;  // a header block went in front of the diff DAT
    bool zipped = false;      // the diff DAT went into the zip archive beside the destination
};

enum class DiffOutcome {
    Aborted,    // a zipped input's choice was cancelled or failed
    Refused,    // the result would have replaced one of the inputs
    Unusable,   // the tool refused its arguments (the switches, an entry): a usage error
    Failed,     // the tool gave no result, or the result could not be written
    Cancelled,  // the run was stopped
    Created
};

// The destination as typed, with ".dat" appended unless it already ends in it (in any case).
QString DiffDestination(const QString& typed);

// The file a request writes: its destination, or with the zip toggle the archive beside it.
QString DiffTarget(const DiffRequest& request);

// Runs the diff tool on two DATs in a run folder of its own, the user choosing the entry of a
// zipped input, which the tool reads in place,
// asks for a header block and writes the result, with its header, to the destination or into a
// zip archive beside it. The destination and an existing archive are replaced only once their
// new content is complete; a run that fails, or is stopped, writes nothing and leaves no run
// folder or temporary file behind. Every failure is told with its reason.
class MakeDiff {
public:
    using StatusSink = std::function<void(const QString& text)>;
    // Hears of a run's reports after a DAT was created and the user told so; the files are
    // removed with the run folder once it returns. Without a hearer no JSON report is made.
    using ReportSink = std::function<void(const DiffReports& reports)>;

    MakeDiff(const DiffTool& tool, DatDialogs& dialogs, Prompter& prompter, LogSink appendLogText,
             StatusSink showStatus, const RunStop* stop = nullptr);

    DiffOutcome run(const DiffRequest& request);
    void setReportSink(ReportSink sink) { reportSink_ = std::move(sink); }
    // Why the last run did not create its DAT, in a line for a command line; empty after a run
    // that did, or was stopped.
    const QString& failureReason() const { return failureReason_; }
    // Hears of the tool's progress while it runs.
    void setProgressSink(ToolProgressSink sink) { progressSink_ = std::move(sink); }

private:
    bool refusesToReplaceAnInput(const DiffRequest& request);
    bool chooseZipEntry(ToolInput& input, const QString& title);
    DiffOutcome runTool(const DiffRequest& request, const ToolInput& source, const ToolInput& compare);
    bool wantsReport(const DiffRequest& request) const;
    Outcome writeResult(const DiffRequest& request, const RunFolder& folder, const std::optional<DatHeader>& header);
    Outcome writeWithHeader(const DiffRequest& request, const RunFolder& folder, const DatHeader& header);
    Outcome zipAs(const QString& file, const QString& destination);
    bool stopped() const;
    void tell(const QString& text, const QString& title, PromptIcon icon);
    void fail(const QString& text, const QString& title, const QString& reason);

    const DiffTool& tool_;
    DatDialogs& dialogs_;
    Prompter& prompter_;
    LogSink appendLogText_;
    StatusSink showStatus_;
    const RunStop* stop_;
    ReportSink reportSink_;
    QString failureReason_;
    ToolProgressSink progressSink_;
};

}  // namespace quillon
