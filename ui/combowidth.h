#pragma once

class QComboBox;

namespace quillon {

// Lets the combo box's drop-down list be wider than the box, so long paths show whole.
void SetComboDropWidth(QComboBox* combo, int pixels);

}  // namespace quillon
