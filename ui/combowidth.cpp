#include "combowidth.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace quillon {

void SetComboDropWidth(QComboBox* combo, int pixels)
{
    combo->view()->setMinimumWidth(pixels);
}

}  // namespace quillon
