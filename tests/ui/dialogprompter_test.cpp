#include "dialogprompter.h"

#include "windowtesting.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;

// What a message box looked like while it was open.
struct ShownBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QWidget* owner = nullptr;
    QRect frame;
};

// Asks, notes what the box shows once it is open, and answers by clicking `button`.
PromptAnswer askAndClick(DialogPrompter& prompter, const PromptMessage& message,
                         QMessageBox::StandardButton button, ShownBox& shown)
{
    const testing::ModalScript script = testing::onModal<QMessageBox>([&](QMessageBox& box) {
        QAbstractButton* defaultButton = box.defaultButton();
        shown = {box.windowTitle(), box.text(), box.textFormat(), box.icon(), box.standardButtons(),
                 defaultButton ? box.standardButton(defaultButton) : QMessageBox::NoButton,
                 box.parentWidget(), box.frameGeometry()};
        box.button(button)->click();
    });
    return prompter.ask(message);
}

TEST(DialogPrompter, ShowsTextTitleIconButtonsAndDefaultAsAsked)
{
    QWidget mainWindow;
    DialogPrompter prompter(&mainWindow);
    ShownBox shown;

    const PromptAnswer answer = askAndClick(
        prompter,
        {.text = u"Overwrite <b>game.dat</b>?"_s, .title = u"Warning..."_s, .icon = PromptIcon::Exclamation,
         .buttons = PromptButtons::YesNoCancel, .defaultAnswer = PromptAnswer::No},
        QMessageBox::Yes, shown);

    EXPECT_EQ(answer, PromptAnswer::Yes);
    EXPECT_EQ(shown.title, u"Warning..."_s);
    EXPECT_EQ(shown.text, u"Overwrite <b>game.dat</b>?"_s);
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(shown.defaultButton, QMessageBox::No);
    EXPECT_EQ(shown.owner, &mainWindow);
}

TEST(DialogPrompter, CentresBoxOnMainWindowEvenWhereItRunsOffScreen)
{
    EXPECT_EQ(centredTopLeft({100, 50, 801, 600}, {300, 151}), QPoint(351, 275)) << "halves round up";
    EXPECT_EQ(centredTopLeft({10, 10, 100, 100}, {300, 200}), QPoint(-90, -40));

    // Placed partly off the screen, where the toolkit would pull a box back on screen.
    QWidget mainWindow;
    mainWindow.setGeometry(500, 400, 801, 601);
    mainWindow.show();
    DialogPrompter prompter;
    prompter.setMainWindow(&mainWindow);
    ShownBox shown;

    const PromptAnswer answer =
        askAndClick(prompter, {.text = u"Done."_s, .centredOnMainWindow = true}, QMessageBox::Ok, shown);

    EXPECT_EQ(answer, PromptAnswer::Ok);
    EXPECT_EQ(shown.title, u"Quillon"_s);
    EXPECT_EQ(shown.frame.topLeft(), centredTopLeft(mainWindow.frameGeometry(), shown.frame.size()));
}

}  // namespace
}  // namespace quillon
