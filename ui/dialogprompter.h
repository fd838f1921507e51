#pragma once

#include "prompter.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace quillon {

// The top-left corner that puts a box of `boxSize` with its centre on the centre of
// `mainFrame`. The halves are exact and each sum is rounded to the nearest whole pixel.
QPoint centredTopLeft(const QRect& mainFrame, const QSize& boxSize);

// Moves the window `box` so that its centre lies on the centre of `mainWindow`, keeping its
// size. Call it once the box has its final size (when it is shown).
void CenterMsgBox(QWidget* box, const QWidget* mainWindow);

// The Prompter of the running application: message boxes and the desktop's file dialogs,
// owned by the main window.
class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* mainWindow = nullptr);

    // The window that owns the dialogs and that boxes are centred on when asked to be.
    void setMainWindow(QWidget* mainWindow);

    PromptAnswer ask(const PromptMessage& message) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
    QString chooseFileToOpen(const FileRequest& request) override;
    SaveChoice chooseSaveTarget(const FileRequest& request) override;

private:
    QPointer<QWidget> mainWindow_;
};

}  // namespace quillon
