#include "dialogprompter.h"
#include "windowtesting.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

// Asks, checks the box while it is open, and answers by clicking `button`.
PromptAnswer askAndClick(DialogPrompter& prompter, const PromptMessage& message,
                         QMessageBox::StandardButton button, const std::function<void(QMessageBox&)>& check)
{
    const testing::ModalScript script = testing::onModal<QMessageBox>([&](QMessageBox& box) {
        check(box);
        box.button(button)->click();
    });
    return prompter.ask(message);
}

TEST(DialogPrompter, ShowsTextTitleIconButtonsAndDefaultAsAsked)
{
    QWidget mainWindow;
    DialogPrompter prompter(&mainWindow);
    const PromptMessage message{.text = u"Overwrite <b>game.dat</b>?"_s, .title = u"Warning..."_s,
                                .icon = PromptIcon::Exclamation, .buttons = PromptButtons::YesNoCancel,
                                .defaultAnswer = PromptAnswer::No};

    const PromptAnswer answer = askAndClick(prompter, message, QMessageBox::Yes, [&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Warning..."_s);
        EXPECT_EQ(box.text(), message.text);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_EQ(box.parentWidget(), &mainWindow);
    });
    EXPECT_EQ(answer, PromptAnswer::Yes);
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

    const PromptMessage message{.text = u"Done."_s, .centredOnMainWindow = true};
    const PromptAnswer answer = askAndClick(prompter, message, QMessageBox::Ok, [&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Quillon"_s);
        EXPECT_EQ(box.frameGeometry().topLeft(), centredTopLeft(mainWindow.frameGeometry(), box.frameGeometry().size()));
    });
    EXPECT_EQ(answer, PromptAnswer::Ok);
}

}  // namespace quillon
