#pragma once

#include "processrunner.h"
#include "toolprogress.h"

#include <QString>
#include <QStringList>

namespace quillon {

class RunFolder;

// A DAT handed to the tool: a plain, gzipped or zipped DAT, which the tool reads in place, and
// for an archive the entry to compare, which the tool names in its log and report.
struct ToolInput {
    QString path;
    QString entry;  // empty: the tool takes the archive's only DAT, or the file is no archive
};

// What one run of the tool compares, with which switches, and where it runs.
struct ToolJob {
    QString switches;
    ToolInput source;
    ToolInput compare;
    QString workingFolder;
    QString reportFile;  // where the tool writes its JSON report; empty: no report
    ToolProgressSink progress;  // hears of the tool's progress while it runs; empty: no one does
};

// How a run of the tool went.
struct ToolRun {
    RunResult result;
    // The tool's own line saying why it failed, as the log shows it; empty when it printed none.
    QString errorLine;
};

// The calling side of the diff tool: where it lives and how its command line is put together.
class DiffTool {
public:
    // The tool installed beside Quillon, in <application folder>/sdelta.
    static DiffTool besideApplication();
    explicit DiffTool(const QString& applicationFolder);

    QString folder() const { return folder_; }
    QString program() const;

    // The switch string ("-s -d2 -o disk") becomes one argument per blank-separated word,
    // then "--json" and the report file when the job wants one, "--old-entry"/"--new-entry" and
    // the entries chosen, followed by the source DAT and the DAT to compare with, one argument
    // each.
    Command command(const ToolJob& job) const;

    // Runs the tool in the job's working folder (a run folder of its own), with its console
    // output going to the log sink and the capture file.
    ToolRun run(const ToolJob& job, const LogSink& appendLogText, Prompter& prompter,
                const RunStop* stop = nullptr) const;

private:
    QString folder_;
};

// How a run of the tool ended, decided by its exit status (setdelta: 0 done, 1 usage, 2 input,
// 3 output) and, for a run that says it is done, by the result being there.
enum class ToolEnd { Done, NotStarted, Usage, Input, Output, Abnormal, NoResult };
ToolEnd ToolEndOf(const ToolRun& run, const RunFolder& folder);

// Why a run of the tool gave no result, in words for the user: the tool's own error line, or
// what its exit status says, or the system's reason it could not start. Empty for a run that
// succeeded.
QString ToolFailureReason(const ToolRun& run, const RunFolder& folder);

}  // namespace quillon
