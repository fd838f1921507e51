#pragma once

#include <QString>
#include <QStringList>

namespace quillon {

class Prompter;

struct StartupOptions {
    bool advancedMode = false;  // "-a": the menu designer entry is shown
    bool debug = false;         // "-d": accepted, nothing consults it
    QString startFile;          // "-f <file>": accepted and validated, nothing consults it
};

// Walks the program's arguments (without the program name) from first to last. A bad argument
// never stops the start: it is reported and the walk goes on.
StartupOptions WalkCommandLine(const QStringList& arguments, Prompter& prompter);

}  // namespace quillon
