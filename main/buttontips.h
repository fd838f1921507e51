#pragma once

class QWidget;

namespace quillon {

// Hovering a button of the main window shows its status tip in status panel 1 and leaving it
// clears the panel. Buttons with only a picture show the tip as their tooltip too.
void SetButtonTips(QWidget& window);

}  // namespace quillon
