#pragma once

#include <QString>

class QWidget;

namespace quillon {

class DatDialogs;
class Prompter;

// The Info command of a file panel: shows the header of the selected DAT in the header editor
// and, when the user saves, rewrites the DAT with the edited header. A DAT inside a zip archive
// is taken out, rewritten and put back under its own entry name. An XML DAT has its <header>
// element edited in place. Files with other extensions are left alone. The DAT or archive is replaced only once its new content is complete; a
// rewrite that fails is reported and leaves it as it was.
void ShowDatInformation(const QString& path, DatDialogs& dialogs, Prompter& prompter,
                        QWidget* mainWindow);

}  // namespace quillon
