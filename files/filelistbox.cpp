#include "filelistbox.h"

#include "listhittest.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace quillon {

namespace {

const QStringList filterPatterns{"*.dat;*.zip;*.xml", "*.dat", "*.zip", "*.xml"};

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
    // QDir matches name filters without regard to case unless told otherwise.
    const QDir folder(path_);
    addItems(folder.entryList(pattern_.split(u';', Qt::SkipEmptyParts), QDir::Files, QDir::Name | QDir::IgnoreCase));
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
    const int row = ListItemFromPoint(this, position.x() * twipsPerPixel, position.y() * twipsPerPixel);
    if (row < 0)
        return;
    const QString text = item(row)->text();
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
