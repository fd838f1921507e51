#pragma once

#include "difftool.h"
#include "prompter.h"

#include <QString>

#include <functional>

namespace quillon {

class DatDialogs;

// What one Make Diff compares and where the result goes.
struct DiffRequest {
    QString sourcePath;   // DAT or zip selected in the left panel
    QString comparePath;  // DAT or zip selected in the right panel
    QString destination;  // ends in ".dat" (see DiffDestination)
    QString switches;     // the diff tool's switch string
    bool zipResult = false;
};

enum class DiffOutcome { Aborted, Failed, Created };

// The destination as typed, with ".dat" appended unless it already ends in it (in any case).
QString DiffDestination(const QString& typed);

// Runs the diff tool on two DATs, taking zipped inputs out first, asks for a header block and
// writes the result, with its header, to the destination or into a zip archive beside it.
// The destination and an existing archive are replaced only once their new content is
// complete, and a run that leaves no result writes nothing and says so.
class MakeDiff {
public:
    using StatusSink = std::function<void(const QString& text)>;

    MakeDiff(const DiffTool& tool, DatDialogs& dialogs, Prompter& prompter, LogSink appendLogText,
             StatusSink showStatus);

    DiffOutcome run(const DiffRequest& request);

private:
    bool takeOutOfZip(QString& path, const QString& title, QStringList& extracted);
    bool runTool(const DiffRequest& request, const QString& source, const QString& compare);
    bool writeResult(const DiffRequest& request);
    bool writeWithHeader(const DiffRequest& request, const QString& headerFile);
    bool zipAs(const QString& file, const QString& destination);
    void tell(const QString& text, const QString& title, PromptIcon icon);

    const DiffTool& tool_;
    DatDialogs& dialogs_;
    Prompter& prompter_;
    LogSink appendLogText_;
    StatusSink showStatus_;
};

}  // namespace quillon
