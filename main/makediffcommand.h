#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// Make Diff from the command line, for scripts:
//   quillon --make-diff OLD NEW DEST [--switches "SWITCHES"] [--header-from FILE] [--zip]
//                                    [--old-entry NAME] [--new-entry NAME]
// It needs no display and does not take part in the single instance.
namespace quillon {

class RunStop;
class SettingsStore;

inline constexpr int exitCreated = 0;
inline constexpr int exitUsage = 1;
inline constexpr int exitFailed = 2;

// Whether the arguments (without the program name) ask for a console command (--make-diff,
// --help or --version) rather than the window.
bool IsConsoleCommand(const QStringList& arguments);

// What `quillon --help` prints.
QString HelpText();

// What `quillon --version` prints: the program's name and version, as the manual page shows them.
QString VersionText();

// Runs the console command of `arguments` (the program name first). Standard output gets the
// path of the file written and nothing else; the tool's output and every message go to `err`.
// Returns the exit status: exitCreated, exitUsage or exitFailed. `stop`, when given, ends a run
// under way.
int RunConsoleCommand(const QStringList& arguments, SettingsStore& store, QTextStream& out,
                      QTextStream& err, const RunStop* stop = nullptr);

}  // namespace quillon
