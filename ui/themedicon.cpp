#include "themedicon.h"

#include <QWidget>

namespace quillon {

QIcon ThemedIcon(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), widget->style()->standardIcon(fallback, nullptr, widget));
}

}  // namespace quillon
