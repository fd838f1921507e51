#pragma once

#include "processrunner.h"

#include <QString>
#include <QStringList>

namespace quillon {

// The calling side of the diff tool: where it lives, where it runs, what it leaves behind and
// how its command line is put together.
class DiffTool {
public:
    // The tool installed beside Quillon, in <application folder>/sdelta.
    static DiffTool besideApplication();
    explicit DiffTool(const QString& applicationFolder);

    QString folder() const { return folder_; }
    QString program() const;
    QString resultDat() const;
    QString reportLog() const;

    // Deletes setdelta.dat and setdelta.log from the tool folder. False when either remains.
    bool deleteOutputs() const;

    // The switch string ("-s -d2 -o disk") becomes one argument per blank-separated word,
    // followed by the source DAT and the DAT to compare with, one argument each.
    Command command(const QString& switches, const QString& sourceDat,
                    const QString& compareDat) const;

    // Deletes the outputs of an earlier run, then runs the tool in its folder with its console
    // output going to the log sink and the capture file.
    RunResult run(const QString& switches, const QString& sourceDat, const QString& compareDat,
                  const LogSink& appendLogText, Prompter& prompter) const;

private:
    QString folder_;
};

}  // namespace quillon
