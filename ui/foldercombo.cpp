#include "foldercombo.h"

#include "atomicfile.h"

#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QUrl>

#include <cerrno>

#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

QString absoluteFolder(const QString& currentFolder, const QString& typed)
{
    if (typed.startsWith(u"file://"_s))
        return QUrl(typed).toLocalFile();
    if (typed == u"~"_s || typed.startsWith(u"~/"_s))
        return QDir::homePath() + typed.mid(1);
    return QDir(currentFolder).absoluteFilePath(typed);
}

Outcome listable(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return Outcome::failure(u"The folder \""_s + folder + u"\" does not exist."_s);
    if (!info.isDir())
        return Outcome::failure(u"\""_s + folder + u"\" is not a folder."_s);
    if (::access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0)
        return Outcome::failure(u"The folder \""_s + folder + u"\" cannot be opened: "_s + SystemReason(errno));
    return Outcome::success();
}

}  // namespace

void AcceptTypedFolders(QComboBox* combo)
{
    combo->setEditable(true);
    combo->lineEdit()->setReadOnly(false);
    auto* folders = new QFileSystemModel(combo);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders->setRootPath(QString());
    // The model reads a folder only once asked for it: the folder being typed in is asked for at
    // each key, so that its subfolders are there to complete from.
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, folders,
                     [folders](const QString& text) { folders->index(QFileInfo(text).path()); });
    auto* completer = new QCompleter(folders, combo);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    combo->setCompleter(completer);
}

TypedFolder ResolveTypedFolder(const QString& currentFolder, const QString& typed)
{
    TypedFolder resolved{.path = QDir::cleanPath(absoluteFolder(currentFolder, typed))};
    const QString trimmed = typed.trimmed();
    if (trimmed != typed && !QFileInfo::exists(resolved.path))
        resolved.path = QDir::cleanPath(absoluteFolder(currentFolder, trimmed));
    resolved.usable = listable(resolved.path);
    return resolved;
}

}  // namespace quillon
