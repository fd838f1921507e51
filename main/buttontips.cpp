#include "buttontips.h"

#include <QAbstractButton>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

struct ButtonTip {
    QLatin1StringView button;
    QLatin1StringView tip;
};

const ButtonTip buttonTips[] = {
    {"cmdCopyPathLeft"_L1, "Copy the current file list path to the right panel."_L1},
    {"cmdCopyPathRight"_L1, "Copy the current file list path to the left panel."_L1},
    {"cmdRefreshLeft"_L1, "Force the update of the two file lists."_L1},
    {"cmdRefreshRight"_L1, "Force the update of the two file lists."_L1},
    {"cmdBrowseLeft"_L1, "Open a Browse For Folder window for the left panel."_L1},
    {"cmdBrowseRight"_L1, "Open a Browse For Folder window for the right panel."_L1},
    {"cmdBrowseDest"_L1, " Open a Save as... window to select the destination file."_L1},
    {"cmdCreateDat"_L1, "Create a dat from a MAME executable."_L1},
    {"cmdShowLog"_L1, "Show or Hide the 'setdelta.exe' output capture window."_L1},
    {"cmdMakeDiff"_L1, "Start making the diff dat."_L1},
    {"cmdDeleteLeft"_L1, "Delete the current selected file on the left panel."_L1},
    {"cmdCopyLeft"_L1, "Copy the current selected file on the left panel to the right one."_L1},
    {"cmdMoveLeft"_L1, "Move the current selected file on the left panel to the right one."_L1},
    {"cmdDeleteRight"_L1, "Delete the current selected file on the right panel."_L1},
    {"cmdCopyRight"_L1, "Copy the current selected file on the right panel to the left one."_L1},
    {"cmdMoveRight"_L1, "Move the current selected file on the right panel to the left one."_L1},
};

}  // namespace

void SetButtonTips(QWidget& window)
{
    for (const ButtonTip& entry : buttonTips) {
        auto* button = window.findChild<QAbstractButton*>(entry.button);
        button->setStatusTip(entry.tip);
        if (button->text().isEmpty())
            button->setToolTip(entry.tip.trimmed());
    }
}

}  // namespace quillon
