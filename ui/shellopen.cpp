#include "shellopen.h"

#include <QDesktopServices>
#include <QUrl>

namespace quillon {

bool ShellOpen(const QString& target)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

bool OpenWithAssociation(const QString& file)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace quillon
