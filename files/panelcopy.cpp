#include "panelcopy.h"

#include "fileoperations.h"
#include "prompter.h"
#include "utilities.h"

#include <QFileInfo>
#include <QProgressDialog>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// Two line breaks part the question from the name, leaving space in the box.
constexpr auto paragraphEnd = "\n\n"_L1;

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

void CopyFileAskingFirst(Prompter& prompter, QWidget* owner, const QString& source, const QString& destination)
{
    const QString fileName = QFileInfo(source).fileName();
    if (FileExists(destination)) {
        const PromptAnswer answer = prompter.ask({
            .text = QStringLiteral("The destination folder already contains \"%1\".").arg(fileName) + paragraphEnd +
                    QStringLiteral("Do you want to replace it ?"),
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
