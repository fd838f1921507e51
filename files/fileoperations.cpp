#include "fileoperations.h"

#include "prompter.h"
#include "utilities.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>

namespace quillon {

namespace {

constexpr qint64 copyChunkBytes = 1024 * 1024;

// Two line breaks end the result messages, leaving space under the text in the box.
const QString paragraphEnd = QStringLiteral("\n\n");

bool sameFile(const QString& first, const QString& second)
{
    const QString canonicalSecond = QFileInfo(second).canonicalFilePath();
    return !canonicalSecond.isEmpty() && QFileInfo(first).canonicalFilePath() == canonicalSecond;
}

// The copy carries the source's date, as a desktop copy does; a date that cannot be set is no
// reason to fail a copy that is complete.
void keepModificationTime(const QString& source, const QString& destination)
{
    QFile copy(destination);
    if (copy.open(QIODevice::Append))
        copy.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
}

bool copyBytes(QFile& input, QSaveFile& output, QString& why, const CopyProgress& progress)
{
    const qint64 total = input.size();
    qint64 copied = 0;
    for (;;) {
        const QByteArray chunk = input.read(copyChunkBytes);
        if (chunk.isEmpty()) {
            if (input.error() == QFileDevice::NoError)
                return true;
            why = input.errorString();
            return false;
        }
        if (output.write(chunk) != chunk.size()) {
            why = output.errorString();
            return false;
        }
        copied += chunk.size();
        if (progress && !progress(copied, total)) {
            why = QStringLiteral("The copy was cancelled.");
            return false;
        }
    }
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

bool CopyFileWithProgress(const QString& source, const QString& destination, QString& why, const CopyProgress& progress)
{
    if (!FileExists(source)) {
        why = QStringLiteral("The file to copy does not exist.");
        return false;
    }
    if (sameFile(source, destination)) {
        why = QStringLiteral("The file cannot be copied onto itself.");
        return false;
    }
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        why = input.errorString();
        return false;
    }
    QSaveFile output(destination);
    if (!output.open(QIODevice::WriteOnly)) {
        why = output.errorString();
        return false;
    }
    if (!copyBytes(input, output, why, progress)) {
        output.cancelWriting();
        return false;
    }
    if (!output.commit()) {
        why = output.errorString();
        return false;
    }
    keepModificationTime(source, destination);
    return true;
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
    QString why;
    if (!CopyFileWithProgress(sSourceFile, sDestFile, why) || (bMove && !RemoveFileUnforced(sSourceFile, why))) {
        tellFileCopy(prompter, "An error has occurred during the copy of the file." + paragraphEnd,
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
    QString why;
    bool copied = false;
    bool cancelled = false;
    if (QFileInfo(source).size() >= largeFileBytes) {
        CopyProgressDialog progress(owner, fileName);
        copied = CopyFileWithProgress(source, destination, why, [&](qint64 done, qint64 total) {
            cancelled = !progress.update(done, total);
            return !cancelled;
        });
    } else {
        copied = CopyFileWithProgress(source, destination, why);
    }
    // Cancelling is the user's own choice and needs no message.
    if (!copied && !cancelled) {
        prompter.ask({
            .text = QStringLiteral("\"%1\" could not be copied.").arg(fileName) + paragraphEnd + why,
            .title = QStringLiteral("Error Copying File"),
            .icon = PromptIcon::Critical,
            .centredOnMainWindow = true,
        });
    }
}

}  // namespace quillon
