#include "filelistbox.h"


#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillon {

namespace {

const QStringList filterPatterns{QStringLiteral("*.dat;*.zip;*.xml"), QStringLiteral("*.dat"), QStringLiteral("*.zip"),
                                 QStringLiteral("*.xml")};

bool isFileEntry(int folderFd, const dirent* entry)
{
    if (entry->d_type == DT_REG)
        return true;
    // Links and file systems that do not give the type are asked; a link counts as its target.
    struct stat info {};
    return (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
        && ::fstatat(folderFd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

// The visible files of `folder` whose names match one of `patterns`, regardless of case, sorted
// by name regardless of case. The folder is read directly because QDir leaves out names that
// are not valid in the system's encoding: they are decoded here as the system decodes them.
QStringList matchingFiles(const QString& folder, const QStringList& patterns)
{
    DIR* directory = ::opendir(QFile::encodeName(folder).constData());
    if (!directory)
        return {};
    QStringList names;
    while (const dirent* entry = ::readdir(directory)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.startsWith(u'.') && QDir::match(patterns, name) && isFileEntry(::dirfd(directory), entry))
            names.append(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end(), [](const QString& first, const QString& second) {
        const int ignoringCase = first.compare(second, Qt::CaseInsensitive);
        return ignoringCase != 0 ? ignoringCase < 0 : first < second;
    });
    return names;
}

}  // namespace

std::optional<QString> FilterPattern(int index)
{
    if (index < 0 || index >= filterPatterns.size())
        return std::nullopt;
    return filterPatterns.at(index);
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent), pattern_(filterPatterns.first())
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    viewport()->setMouseTracking(true);
    // Like any new file list, it shows the working folder until it is given another.
    path_ = QDir::cleanPath(QDir::currentPath());
    refresh();
}

bool FileListBox::setPath(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    // One spelling per folder, so that the panels can compare their folders as text.
    const QString cleaned = QDir::cleanPath(info.absoluteFilePath());
    if (cleaned == path_)
        return true;
    path_ = cleaned;
    refresh();
    emit pathChanged();
    return true;
}

void FileListBox::setPattern(const QString& pattern)
{
    pattern_ = pattern;
}

void FileListBox::refresh()
{
    clear();
    lastTipItem_.clear();
    setToolTip(QString());
    if (path_.isEmpty())
        return;
    addItems(matchingFiles(path_, pattern_.split(u';', Qt::SkipEmptyParts)));
}

QString FileListBox::fileName() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QStringList FileListBox::fileNames() const
{
    QStringList names;
    for (int row = 0; row < count(); ++row)
        names.append(item(row)->text());
    return names;
}

void FileListBox::updateTipAt(const QPoint& position)
{
    const QListWidgetItem* under = itemAt(position);
    if (!under)
        return;
    const QString text = under->text();
    if (text == lastTipItem_)
        return;
    // The two blanks leave room for the list's own margin before the text.
    const bool fits = fontMetrics().horizontalAdvance(QStringLiteral("  ") + text) <= width();
    setToolTip(fits ? QString() : text);
    lastTipItem_ = text;
}

void FileListBox::mouseMoveEvent(QMouseEvent* event)
{
    updateTipAt(event->position().toPoint());
    QListWidget::mouseMoveEvent(event);
}

}  // namespace quillon
