#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// Renaming a collection's files after sets moved, from the command line:
//   quillon --rename-sets REPORT.json FOLDER... [--apply]
//   quillon --undo JOURNAL
// Neither needs a display or takes part in the single instance.
namespace quillon {

// Whether the arguments (without the program name) ask for --rename-sets or --undo.
bool IsRenameSetsCommand(const QStringList& arguments);

// What `quillon --help` says of them.
QString RenameSetsHelpText();

// Where the journals of renames are kept: $XDG_STATE_HOME/Quillon.
QString RenameJournalFolder();

// Runs --rename-sets or --undo (`arguments` has the program name first). Standard output gets
// one tab-separated line per entry (folder, from, to, what happens or happened); messages go
// to `err`. Returns 0 when done or planned, 1 for a usage error, 2 when something failed.
int RunRenameSetsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace quillon
