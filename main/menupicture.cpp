#include "menupicture.h"

#include "themedicon.h"

namespace quillon {

namespace {

struct KeyedPicture {
    const char* key;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

const KeyedPicture menuPictures[] = {
    {"s_Key11", "application-exit", QStyle::SP_DialogCloseButton},
    {"s_Key14", "edit-copy", QStyle::SP_FileIcon},
    {"s_Key15", "view-refresh", QStyle::SP_BrowserReload},
    {"s_Key16", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {"s_Key17", "preferences-desktop", QStyle::SP_FileDialogListView},
    {"s_Key18", "document-new", QStyle::SP_FileIcon},
};

}  // namespace

QIcon MenuPicture(const QWidget* widget, const QString& key)
{
    for (const KeyedPicture& picture : menuPictures) {
        if (key == QLatin1String(picture.key))
            return ThemedIcon(widget, picture.themeName, picture.fallback);
    }
    return {};
}

}  // namespace quillon
