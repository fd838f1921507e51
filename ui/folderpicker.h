#pragma once

#include <QString>

namespace quillon {

class Prompter;

// Lets the user pick a folder of DATs, starting at `currentFolder` when it exists. Returns
// the chosen folder, or `currentFolder` unchanged when the user cancels.
QString BrowseForFolder(Prompter& prompter, const QString& currentFolder);

}  // namespace quillon
