#pragma once

#include "menucaption.h"

#include <QDialog>

namespace quillon {

// The menu designer of advanced mode: every item of the main window's menus with its
// caption, tip and picture key, for checking them at a glance.
class frmMenuDesigner : public QDialog {
    Q_OBJECT

public:
    frmMenuDesigner(const QList<MenuItemCaption>& items, QWidget* parent = nullptr);
};

}  // namespace quillon
