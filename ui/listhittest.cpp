#include "listhittest.h"

#include <QAbstractItemView>

#include <cmath>

namespace quillon {

namespace {

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips)) / twipsPerPixel;
}

}  // namespace

int ListItemFromPoint(const QAbstractItemView* list, double xTwips, double yTwips)
{
    const QModelIndex index = list->indexAt({twipsToPixels(xTwips), twipsToPixels(yTwips)});
    return index.isValid() ? index.row() : -1;
}

}  // namespace quillon
