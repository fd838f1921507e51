#pragma once

#include <QIcon>
#include <QStyle>

class QWidget;

namespace quillon {

// The icon of the desktop's theme named `name`, or the style's own picture where the theme
// has none.
QIcon ThemedIcon(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback);

}  // namespace quillon
