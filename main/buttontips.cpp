#include "buttontips.h"

#include <QAbstractButton>

namespace quillon {

namespace {

struct ButtonTip {
    const char* button;
    const char* tip;
};

const ButtonTip buttonTips[] = {
    {"cmdCopyPathLeft", "Copy the current file list path to the right panel."},
    {"cmdCopyPathRight", "Copy the current file list path to the left panel."},
    {"cmdRefreshLeft", "Force the update of the two file lists."},
    {"cmdRefreshRight", "Force the update of the two file lists."},
    {"cmdBrowseLeft", "Open a Browse For Folder window for the left panel."},
    {"cmdBrowseRight", "Open a Browse For Folder window for the right panel."},
    {"cmdBrowseDest", " Open a Save as... window to select the destination file."},
    {"cmdCreateDat", "Create a dat from a MAME executable."},
    {"cmdShowLog", "Show or Hide the 'setdelta.exe' output capture window."},
    {"cmdMakeDiff", "Start making the diff dat."},
    {"cmdDeleteLeft", "Delete the current selected file on the left panel."},
    {"cmdCopyLeft", "Copy the current selected file on the left panel to the right one."},
    {"cmdMoveLeft", "Move the current selected file on the left panel to the right one."},
    {"cmdDeleteRight", "Delete the current selected file on the right panel."},
    {"cmdCopyRight", "Copy the current selected file on the right panel to the left one."},
    {"cmdMoveRight", "Move the current selected file on the right panel to the left one."},
};

}  // namespace

void SetButtonTips(QWidget& window)
{
    for (const ButtonTip& entry : buttonTips) {
        auto* button = window.findChild<QAbstractButton*>(entry.button);
        button->setStatusTip(entry.tip);
        if (button->text().isEmpty())
            button->setToolTip(QString(entry.tip).trimmed());
    }
}

}  // namespace quillon
