#include "fileoperations.h"

#include "atomicfile.h"
#include "prompter.h"
#include "utilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// Two line breaks end the result messages, leaving space under the text in the box.
const QString paragraphEnd = QStringLiteral("\n\n");

bool sameFile(const QString& first, const QString& second)
{
    const QString canonicalSecond = QFileInfo(second).canonicalFilePath();
    return !canonicalSecond.isEmpty() && QFileInfo(first).canonicalFilePath() == canonicalSecond;
}

void tellFileCopy(Prompter& prompter, const QString& text, PromptIcon icon)
{
    prompter.ask({.text = text, .title = QLatin1StringView(fileCopyTitle), .icon = icon, .centredOnMainWindow = true});
}

bool confirmReplace(Prompter& prompter)
{
    const PromptAnswer answer = prompter.ask({
        .text = QStringLiteral("The file already exists in the destinataion folder.") + paragraphEnd +
                QStringLiteral("Do you want to replace it ?"),
        .title = QLatin1StringView(fileCopyTitle),
        .icon = PromptIcon::Question,
        .buttons = PromptButtons::YesNo,
        .defaultAnswer = PromptAnswer::No,
        .centredOnMainWindow = true,
    });
    return answer == PromptAnswer::Yes;
}

// A move deletes its source only when the copy holds every byte of it.
Outcome checkWholeCopy(const QString& source, const QString& copy)
{
    const qint64 sourceSize = QFileInfo(source).size();
    const qint64 copySize = QFileInfo(copy).size();
    if (sourceSize == copySize)
        return Outcome::success();
    return Outcome::failure(QStringLiteral("%1 holds %2 of the %3 bytes of %4; the source was kept.")
                                .arg(copy).arg(copySize).arg(sourceSize).arg(source));
}

Outcome copyOrMove(const QString& source, const QString& destination, bool move)
{
    Outcome done = CopyFileWithProgress(source, destination);
    if (done && move)
        done = checkWholeCopy(source, destination);
    if (done && move)
        done = RemoveFileUnforced(source);
    return done;
}

// The trash rules of the desktop (freedesktop.org): a file outside the home volume goes into its
// volume's trash, $topdir/.Trash/$uid or $topdir/.Trash-$uid, made when missing; one that finds
// none goes into the home trash, $XDG_DATA_HOME/Trash, which takes only files of its own volume.
bool volumeHasTrash(const QString& top)
{
    const QString user = QString::number(::getuid());
    const QFileInfo shared(top + QStringLiteral("/.Trash"));
    struct stat status {};
    const bool sharedUsable = ::lstat(QFile::encodeName(shared.filePath()).constData(), &status) == 0 &&
                              S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0;
    if (sharedUsable && QFileInfo(shared.filePath() + u'/' + user).isDir())
        return true;
    if (sharedUsable && shared.isWritable())
        return true;
    const QFileInfo own(top + QStringLiteral("/.Trash-") + user);
    return own.isDir() || (!own.exists() && QFileInfo(top).isWritable());
}

// The home trash exists, or can be made in an existing data folder.
bool homeTrashUsable(const QString& dataHome)
{
    const QFileInfo trash(dataHome + QStringLiteral("/Trash"));
    if (trash.exists())
        return trash.isDir() && trash.isWritable();
    const QFileInfo data(dataHome);
    return data.isDir() && data.isWritable();
}

bool sameDevice(const QString& first, const QString& second)
{
    struct stat one {}, two {};
    return ::stat(QFile::encodeName(first).constData(), &one) == 0 &&
           ::stat(QFile::encodeName(second).constData(), &two) == 0 && one.st_dev == two.st_dev;
}

}  // namespace

QString PathInFolder(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? QString(folder + name) : folder + u'/' + name;
}

bool IsReadOnly(const QString& path)
{
    const QFileInfo info(path);
    return !(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable();
}

Outcome CopyFileWithProgress(const QString& source, const QString& destination, const CopyProgress& progress)
{
    if (!FileExists(source))
        return Outcome::failure(QStringLiteral("The file to copy does not exist."));
    if (sameFile(source, destination))
        return Outcome::failure(QStringLiteral("The file cannot be copied onto itself."));
    AtomicFile output(destination);
    if (Outcome opened = output.open(); !opened)
        return opened;
    if (Outcome copied = output.append(source, progress); !copied)
        return copied;
    // The copy carries the source's date, as a desktop copy does; a date that cannot be set is
    // no reason to fail a copy that is complete.
    (void)output.setModificationTime(QFileInfo(source).lastModified().toSecsSinceEpoch());
    return output.commit();
}

Outcome RemoveFileUnforced(const QString& path)
{
    if (!FileExists(path))
        return Outcome::failure(QStringLiteral("The file does not exist."));
    if (IsReadOnly(path))
        return Outcome::failure(QStringLiteral("The file is read-only."));
    QFile file(path);
    if (!file.remove())
        return Outcome::failure(file.errorString());
    return Outcome::success();
}

bool TrashCanTake(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QStorageInfo volume(folder);
    if (volume.isValid() && volume != QStorageInfo(QDir::home()) && volumeHasTrash(volume.rootPath()))
        return true;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return homeTrashUsable(dataHome) && sameDevice(folder, dataHome);
}

Outcome MoveToTrashUnforced(const QString& path)
{
    if (!FileExists(path))
        return Outcome::failure(QStringLiteral("The file does not exist."));
    if (IsReadOnly(path))
        return Outcome::failure(QStringLiteral("The file is read-only."));
    QFile file(path);
    if (file.moveToTrash())
        return Outcome::success();
    // The trash folder itself could not be made: Qt then gives no reason of its own.
    const QString reason = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    return Outcome::failure(QStringLiteral("It could not be moved to the trash") +
                            (reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason));
}

void FileCopy(Prompter& prompter, const QString& sSourceFile, const QString& sDestFile, bool bMove)
{
    // The question is about the file that will be replaced: the destination itself. A folder
    // of that name is not a file to replace; the copy then fails and says so.
    if (FileExists(sDestFile) && !confirmReplace(prompter)) {
        tellFileCopy(prompter, QStringLiteral("Operation aborted."), PromptIcon::Critical);
        return;
    }
    if (const Outcome done = copyOrMove(sSourceFile, sDestFile, bMove); !done) {
        tellFileCopy(prompter, QStringLiteral("An error has occurred during the copy of the file.") + paragraphEnd + done.reason(),
                     PromptIcon::Information);
        return;
    }
    const QString done = bMove ? QStringLiteral("File succesfully moved.") : QStringLiteral("File succesfully copied.");
    tellFileCopy(prompter, done + paragraphEnd, PromptIcon::Information);
}

bool DeleteFileAsked(Prompter& prompter, const QString& folder, const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    const QString path = PathInFolder(folder, fileName);
    const bool toTrash = TrashCanTake(path);
    const PromptAnswer answer = prompter.ask({
        .text = QStringLiteral("Do you want to delete \"%1\" ?").arg(fileName) + paragraphEnd +
                (toTrash ? QStringLiteral("It will be moved to the trash.")
                         : QStringLiteral("There is no trash here: it will be deleted for good.")),
        .icon = PromptIcon::Question,
        .buttons = PromptButtons::YesNo,
        .defaultAnswer = PromptAnswer::No,
        .centredOnMainWindow = true,
    });
    if (answer != PromptAnswer::Yes)
        return false;
    const Outcome removed = toTrash ? MoveToTrashUnforced(path) : RemoveFileUnforced(path);
    if (removed)
        return true;
    prompter.ask({
        .text = QStringLiteral("\"%1\" could not be deleted.").arg(fileName) + paragraphEnd + removed.reason(),
        .icon = PromptIcon::Critical,
        .centredOnMainWindow = true,
    });
    return false;
}

}  // namespace quillon
