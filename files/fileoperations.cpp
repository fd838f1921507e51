#include "fileoperations.h"

#include "atomicfile.h"
#include "prompter.h"
#include "utilities.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

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
    prompter.ask({.text = text, .title = fileCopyTitle, .icon = icon, .centredOnMainWindow = true});
}

bool confirmReplace(Prompter& prompter)
{
    const PromptAnswer answer = prompter.ask({
        .text = "The file already exists in the destinataion folder." + paragraphEnd + "Do you want to replace it ?",
        .title = fileCopyTitle,
        .icon = PromptIcon::Question,
        .buttons = PromptButtons::YesNo,
        .defaultAnswer = PromptAnswer::Yes,
        .centredOnMainWindow = true,
    });
    return answer == PromptAnswer::Yes;
}

// The progress dialog of one large copy; it cancels the copy when the user asks.
class CopyProgressDialog {
public:
    CopyProgressDialog(QWidget* owner, const QString& fileName)
        : dialog_(QStringLiteral("Copying \"%1\"...").arg(fileName), QStringLiteral("Cancel"), 0, progressSteps, owner)
    {
        dialog_.setWindowTitle(QStringLiteral("Quillon"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setValue(0);
    }

    bool update(qint64 copiedBytes, qint64 totalBytes)
    {
        if (totalBytes > 0)
            dialog_.setValue(static_cast<int>(copiedBytes * progressSteps / totalBytes));
        return !dialog_.wasCanceled();
    }

private:
    static constexpr int progressSteps = 1000;
    QProgressDialog dialog_;
};

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
    if (done && move) {
        QString why;
        if (!RemoveFileUnforced(source, why))
            done = Outcome::failure(why);
    }
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

bool RemoveFileUnforced(const QString& path, QString& why)
{
    if (!FileExists(path)) {
        why = QStringLiteral("The file does not exist.");
        return false;
    }
    if (IsReadOnly(path)) {
        why = QStringLiteral("The file is read-only.");
        return false;
    }
    QFile file(path);
    if (!file.remove()) {
        why = file.errorString();
        return false;
    }
    return true;
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
        tellFileCopy(prompter, "An error has occurred during the copy of the file." + paragraphEnd + done.reason(),
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
    QString why;
    if (RemoveFileUnforced(PathInFolder(folder, fileName), why))
        return true;
    prompter.ask({
        .text = QStringLiteral("\"%1\" could not be deleted.").arg(fileName) + paragraphEnd + why,
        .icon = PromptIcon::Critical,
        .centredOnMainWindow = true,
    });
    return false;
}

void CopyFileAskingFirst(Prompter& prompter, QWidget* owner, const QString& source, const QString& destination)
{
    const QString fileName = QFileInfo(source).fileName();
    if (FileExists(destination)) {
        const PromptAnswer answer = prompter.ask({
            .text = QStringLiteral("The destination folder already contains \"%1\".").arg(fileName) + paragraphEnd +
                    "Do you want to replace it ?",
            .title = QStringLiteral("Confirm File Replace"),
            .icon = PromptIcon::Question,
            .buttons = PromptButtons::YesNo,
            .defaultAnswer = PromptAnswer::No,
            .centredOnMainWindow = true,
        });
        if (answer != PromptAnswer::Yes)
            return;
    }
    bool cancelled = false;
    Outcome copied = Outcome::success();
    if (QFileInfo(source).size() >= largeFileBytes) {
        CopyProgressDialog progress(owner, fileName);
        copied = CopyFileWithProgress(source, destination, [&](qint64 done, qint64 total) {
            cancelled = !progress.update(done, total);
            return !cancelled;
        });
    } else {
        copied = CopyFileWithProgress(source, destination);
    }
    // Cancelling is the user's own choice and needs no message.
    if (!copied && !cancelled) {
        prompter.ask({
            .text = QStringLiteral("\"%1\" could not be copied.").arg(fileName) + paragraphEnd + copied.reason(),
            .title = QStringLiteral("Error Copying File"),
            .icon = PromptIcon::Critical,
            .centredOnMainWindow = true,
        });
    }
}

}  // namespace quillon
