#pragma once

class QAbstractItemView;

namespace quillon {

// Twips per pixel of Quillon's stored positions and mouse coordinates.
inline constexpr int twipsPerPixel = 15;

// The row of the item under the point (x, y), given in twips from the top-left corner of the
// list's item area, or -1 when no item is there (for instance below the last one).
int ListItemFromPoint(const QAbstractItemView* list, double xTwips, double yTwips);

}  // namespace quillon
