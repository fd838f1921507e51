#pragma once

#include "outcome.h"

#include <QString>

class QComboBox;

namespace quillon {

// Lets the user type or paste a folder into a folder combo, with the names of folders offered
// as they are typed. What Enter does is the window's business.
void AcceptTypedFolders(QComboBox* combo);

// The folder a typed or pasted text names, made absolute and clean. A relative path is taken
// from `currentFolder`, "~" is the home folder and a file:// address its local path. Blanks
// around a pasted path are dropped unless the name itself has them.
struct TypedFolder {
    QString path;
    Outcome usable = Outcome::success();  // why the folder cannot be listed
};
TypedFolder ResolveTypedFolder(const QString& currentFolder, const QString& typed);

}  // namespace quillon
