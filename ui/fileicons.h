#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

namespace quillon {

// File-type icons by key, for lists that show files.
class IconList {
public:
    bool contains(const QString& key) const { return icons_.contains(key); }
    void add(const QString& key, const QIcon& icon) { icons_.insert(key, icon); }
    QIcon icon(const QString& key) const { return icons_.value(key); }
    qsizetype size() const { return icons_.size(); }

private:
    QHash<QString, QIcon> icons_;
};

// The key of the icon for `fileName`'s type in `icons`: its extension, upper-cased with the
// dot (".DAT"), taken from the last "." anywhere in the name. The type's icon is added under
// that key the first time. Names without a ".", programs (".EXE") and types
// without an icon get `defaultKey`.
QString GetIconKey(const QString& fileName, IconList& icons, const QString& defaultKey);

}  // namespace quillon
