#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

namespace quillon {

// File-type icons by key, each with the name of its type, for lists that show files.
class IconList {
public:
    bool contains(const QString& key) const { return entries_.contains(key); }
    void add(const QString& key, const QIcon& icon, const QString& typeName);
    QIcon icon(const QString& key) const;
    QString typeName(const QString& key) const;
    qsizetype size() const { return entries_.size(); }

private:
    struct Entry {
        QIcon icon;
        QString typeName;
    };
    QHash<QString, Entry> entries_;
};

// The key of the icon for `fileName`'s type in `icons`: its extension, upper-cased with the
// dot (".DAT"), taken from the last "." anywhere in the name. The type's icon and name are
// added under that key the first time. Names without a ".", programs (".EXE") and types
// without an icon get `defaultKey`.
QString GetIconKey(const QString& fileName, IconList& icons, const QString& defaultKey);

}  // namespace quillon
