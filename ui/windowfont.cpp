#include "windowfont.h"

#include <QApplication>
#include <QWidget>

namespace quillon {

QFont WindowFont()
{
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("Tahoma"));
    return font;
}

void UseWindowFont(QWidget& window)
{
    window.setFont(WindowFont());
}

}  // namespace quillon
