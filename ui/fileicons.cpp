#include "fileicons.h"

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QMimeType>

namespace quillon {

namespace {

// The type is looked up from the extension alone, so that every name sharing a key gets the
// same icon whatever else its name holds.
QMimeType mimeTypeOfExtension(const QString& extension)
{
    return QMimeDatabase().mimeTypeForFile(QStringLiteral("file") + extension.toLower(),
                                           QMimeDatabase::MatchExtension);
}

QIcon iconOf(const QMimeType& type)
{
    return QIcon::fromTheme(type.iconName(), QFileIconProvider().icon(QFileIconProvider::File));
}

}  // namespace

QString GetIconKey(const QString& fileName, IconList& icons, const QString& defaultKey)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0)
        return defaultKey;
    const QString key = fileName.mid(dot).toUpper();
    if (key == QStringLiteral(".EXE"))
        return defaultKey;
    if (icons.contains(key))
        return key;
    const QMimeType type = mimeTypeOfExtension(key);
    const QIcon icon = type.isValid() ? iconOf(type) : QIcon();
    if (icon.isNull())
        return defaultKey;
    icons.add(key, icon);
    return key;
}

}  // namespace quillon
