#pragma once

#include <QFont>

class QWidget;

namespace quillon {

// Every window asks for Tahoma by name, at the desktop's own size; where Tahoma is not
// installed the font matching falls back to a similar one.
QFont WindowFont();
void UseWindowFont(QWidget& window);

}  // namespace quillon
