#include "dialogprompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace quillon {
namespace {

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

QMessageBox* openBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

// Asks, notes what the box shows once it is open, and answers by clicking `click`.
PromptAnswer askAndClick(DialogPrompter& prompter, const PromptMessage& message,
                         QMessageBox::StandardButton click, ShownBox& shown)
{
    QTimer::singleShot(0, [&shown, click] {
        QMessageBox* box = openBox();
        ASSERT_NE(box, nullptr) << "no message box is open";
        auto* defaultButton = box->defaultButton();
        shown = {box->windowTitle(), box->text(), box->textFormat(), box->icon(),
                 box->standardButtons(),
                 defaultButton ? box->standardButton(defaultButton) : QMessageBox::NoButton,
                 box->parentWidget(), box->frameGeometry()};
        box->button(click)->click();
    });
    return prompter.ask(message);
}

TEST(CentredTopLeft, PutsBoxCentreOnMainWindowCentreRoundingHalves)
{
    EXPECT_EQ(centredTopLeft({0, 0, 800, 600}, {200, 100}), QPoint(300, 250));
    EXPECT_EQ(centredTopLeft({100, 50, 801, 600}, {300, 151}), QPoint(351, 275));
    EXPECT_EQ(centredTopLeft({10, 10, 100, 100}, {300, 200}), QPoint(-90, -40));
}

TEST(DialogPrompter, ShowsTextTitleIconButtonsAndDefaultAsAsked)
{
    QWidget mainWindow;
    DialogPrompter prompter(&mainWindow);
    ShownBox shown;

    const PromptAnswer answer = askAndClick(
        prompter,
        {.text = QStringLiteral("Overwrite <b>game.dat</b>?"), .title = QStringLiteral("Warning..."),
         .icon = PromptIcon::Exclamation, .buttons = PromptButtons::YesNoCancel,
         .defaultAnswer = PromptAnswer::No},
        QMessageBox::Yes, shown);

    EXPECT_EQ(answer, PromptAnswer::Yes);
    EXPECT_EQ(shown.title, QStringLiteral("Warning..."));
    EXPECT_EQ(shown.text, QStringLiteral("Overwrite <b>game.dat</b>?"));
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(shown.defaultButton, QMessageBox::No);
    EXPECT_EQ(shown.owner, &mainWindow);
}

TEST(DialogPrompter, CentresBoxOnMainWindowEvenWhereItRunsOffScreen)
{
    // Placed partly off the screen, where the toolkit would pull a box back on screen.
    QWidget mainWindow;
    mainWindow.setGeometry(500, 400, 801, 601);
    mainWindow.show();
    DialogPrompter prompter;
    prompter.setMainWindow(&mainWindow);
    ShownBox shown;

    const PromptAnswer answer = askAndClick(
        prompter, {.text = QStringLiteral("Done."), .centredOnMainWindow = true}, QMessageBox::Ok, shown);

    EXPECT_EQ(answer, PromptAnswer::Ok);
    EXPECT_EQ(shown.title, QStringLiteral("Quillon"));
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown.frame.topLeft(), centredTopLeft(mainWindow.frameGeometry(), shown.frame.size()));
}

}  // namespace
}  // namespace quillon
