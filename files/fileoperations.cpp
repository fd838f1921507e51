#include "fileoperations.h"

#include "atomicfile.h"
#include "prompter.h"
#include "utilities.h"

#include <QFile>
#include <QFileInfo>

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
        .defaultAnswer = PromptAnswer::Yes,
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
    const PromptAnswer answer = prompter.ask({
        .text = QStringLiteral("Do you want to delete \"%1\" ?").arg(fileName),
        .icon = PromptIcon::Question,
        .buttons = PromptButtons::YesNo,
        .defaultAnswer = PromptAnswer::Yes,
        .centredOnMainWindow = true,
    });
    if (answer == PromptAnswer::No)
        return false;
    const Outcome removed = RemoveFileUnforced(PathInFolder(folder, fileName));
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
