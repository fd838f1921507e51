#include "dialogprompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QShowEvent>

#include <cmath>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

QString applicationTitle()
{
    return QStringLiteral("Quillon");
}

QMessageBox::Icon toBoxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Critical: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toBoxButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton toBoxButton(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Cancel: return QMessageBox::Cancel;
    case PromptAnswer::Yes: return QMessageBox::Yes;
    case PromptAnswer::No: return QMessageBox::No;
    case PromptAnswer::Ok: break;
    }
    return QMessageBox::Ok;
}

PromptAnswer toAnswer(int clicked)
{
    switch (clicked) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    default: return PromptAnswer::Cancel;
    }
}

// A message box that centres itself on the main window once its size is settled, which
// happens in QMessageBox's own show handling; moving it there is done before it appears.
class CentredMessageBox : public QMessageBox {
public:
    // `centreOn` null: where the toolkit puts it (centred on its owner).
    CentredMessageBox(QWidget* owner, QWidget* centreOn) : QMessageBox(owner), centreOn_(centreOn)
    {
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        CenterMsgBox(this, centreOn_);
    }

private:
    QWidget* centreOn_;
};

}  // namespace

QPoint centredTopLeft(const QRect& mainFrame, const QSize& boxSize)
{
    const auto centred = [](int start, int length, int boxLength) {
        return static_cast<int>(std::lround(start + length / 2.0 - boxLength / 2.0));
    };
    return {centred(mainFrame.left(), mainFrame.width(), boxSize.width()),
            centred(mainFrame.top(), mainFrame.height(), boxSize.height())};
}

void CenterMsgBox(QWidget* box, const QWidget* mainWindow)
{
    if (mainWindow)
        box->move(centredTopLeft(mainWindow->frameGeometry(), box->frameGeometry().size()));
}

DialogPrompter::DialogPrompter(QWidget* mainWindow) : mainWindow_(mainWindow) {}

void DialogPrompter::setMainWindow(QWidget* mainWindow)
{
    mainWindow_ = mainWindow;
}

PromptAnswer DialogPrompter::ask(const PromptMessage& message)
{
    QWidget* owner = mainWindow_.data();
    CentredMessageBox box(owner, message.centredOnMainWindow ? owner : nullptr);
    box.setWindowTitle(message.title.isEmpty() ? applicationTitle() : message.title);
    // File names may contain "<"; the text is never to be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message.text);
    box.setIcon(toBoxIcon(message.icon));
    box.setStandardButtons(toBoxButtons(message.buttons));
    if (const auto preferred = toBoxButton(message.defaultAnswer); box.button(preferred))
        box.setDefaultButton(preferred);
    return toAnswer(box.exec());
}

QString DialogPrompter::chooseFolder(const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(mainWindow_, title, startFolder);
}

QString DialogPrompter::chooseFileToOpen(const FileRequest& request)
{
    return QFileDialog::getOpenFileName(mainWindow_, request.title, request.startPath,
                                        request.filter);
}

SaveChoice DialogPrompter::chooseSaveTarget(const FileRequest& request)
{
    QString selectedFilter;
    const QString path = QFileDialog::getSaveFileName(mainWindow_, request.title, request.startPath,
                                                      request.filter, &selectedFilter);
    if (path.isEmpty())
        return {};
    return {path, static_cast<int>(request.filter.split(u";;"_s).indexOf(selectedFilter))};
}

}  // namespace quillon
