#pragma once

#include <QList>
#include <QString>

namespace quillon {

// A menu item's caption in the menus' own syntax: the text, then "|@" and the tip shown in
// the status bar, then "|#" and the key of its picture ("&Exit|@Exit the application.|#s_Key11").
// Both parts are optional.
struct MenuCaption {
    QString text;
    QString tip;
    QString pictureKey;

    bool operator==(const MenuCaption&) const = default;
};

MenuCaption ParseMenuCaption(const QString& caption);

// One item of the main window's menus: its object name and its caption.
struct MenuItemCaption {
    QString name;
    MenuCaption caption;
};

}  // namespace quillon
