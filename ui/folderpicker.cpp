#include "folderpicker.h"

#include "prompter.h"

#include <QFileInfo>

namespace quillon {

QString BrowseForFolder(Prompter& prompter, const QString& currentFolder)
{
    // A folder that is gone would leave the dialog in some unrelated place; start with
    // nothing chosen instead.
    const QString startFolder = QFileInfo(currentFolder).isDir() ? currentFolder : QString();
    const QString chosen =
        prompter.chooseFolder(QStringLiteral("Select a folder containing .dat files..."), startFolder);
    return chosen.isEmpty() ? currentFolder : chosen;
}

}  // namespace quillon
