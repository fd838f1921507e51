#pragma once

#include <QIcon>

class QWidget;

namespace quillon {

// The picture of a menu item by the key its caption names ("s_Key11"); no picture for a key
// the menus do not know.
QIcon MenuPicture(const QWidget* widget, const QString& key);

}  // namespace quillon
