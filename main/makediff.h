#pragma once

#include "difftool.h"
#include "outcome.h"
#include "prompter.h"

#include <QString>

#include <functional>

namespace quillon {

class DatDialogs;
class RunStop;

// What one Make Diff compares and where the result goes.
struct DiffRequest {
    QString sourcePath;   // DAT or zip selected in the left panel
    QString comparePath;  // DAT or zip selected in the right panel
    QString destination;  // ends in ".dat" (see DiffDestination)
    QString switches;     // the diff tool's switch string
    bool zipResult = false;
};

// The reports a successful run leaves in its run folder, and the DATs it compared as the user
// chose them (the tool read a DAT taken out of a zip archive from a temporary file).
struct DiffReports {
    QString json;      // for programs: every difference (the results window reads it)
    QString readable;  // for people
    ToolInput source;
    ToolInput compare;
};

enum class DiffOutcome {
    Aborted,    // a zipped input's choice was cancelled or failed
    Refused,    // the result would have replaced one of the inputs
    Failed,     // the tool gave no result, or the result could not be written
    Cancelled,  // the run was stopped
    Created
};

// The destination as typed, with ".dat" appended unless it already ends in it (in any case).
QString DiffDestination(const QString& typed);

// The file a request writes: its destination, or with the zip toggle the archive beside it.
QString DiffTarget(const DiffRequest& request);

// Runs the diff tool on two DATs in a run folder of its own, taking zipped inputs out first,
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
    // Hears of the tool's progress while it runs.
    void setProgressSink(ToolProgressSink sink) { progressSink_ = std::move(sink); }

private:
    bool refusesToReplaceAnInput(const DiffRequest& request);
    bool takeOutOfZip(ToolInput& input, const QString& title, QStringList& extracted);
    DiffOutcome runTool(const DiffRequest& request, const ToolInput& source, const ToolInput& compare);
    Outcome writeResult(const DiffRequest& request, const QString& toolDat);
    Outcome writeWithHeader(const DiffRequest& request, const QString& toolDat, const QString& headerFile);
    Outcome zipAs(const QString& file, const QString& destination);
    bool stopped() const;
    void tell(const QString& text, const QString& title, PromptIcon icon);

    const DiffTool& tool_;
    DatDialogs& dialogs_;
    Prompter& prompter_;
    LogSink appendLogText_;
    StatusSink showStatus_;
    const RunStop* stop_;
    ReportSink reportSink_;
    ToolProgressSink progressSink_;
};

}  // namespace quillon
