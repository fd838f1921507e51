#pragma once

#include <QListWidget>

#include <optional>

namespace quillon {

// The patterns of the panels' filter lists, by index: "All", "Dat", "Zip", "Xml".
inline const QStringList filterCaptions{QStringLiteral("All"), QStringLiteral("Dat"), QStringLiteral("Zip"),
                                        QStringLiteral("Xml")};
// The pattern of a filter index; none outside the list.
std::optional<QString> FilterPattern(int index);

// The files of one folder that match a pattern such as "*.dat;*.zip;*.xml", letters in any
// case, sorted by name. One file can be selected. Names too wide for the list show in full as
// its tooltip while the mouse is over them.
class FileListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent = nullptr);

    // The folder listed; the working folder at first.
    QString path() const { return path_; }
    // Lists `folder`. A folder that cannot be read leaves the list as it was and gives false.
    bool setPath(const QString& folder);
    void setPattern(const QString& pattern);
    // Reads the folder again; the selection is lost.
    void refresh();

    // The selected file's name, "" when none is selected.
    QString fileName() const;
    QStringList fileNames() const;
    // The tooltip for the item under `position` (viewport coordinates).
    void updateTipAt(const QPoint& position);

signals:
    void pathChanged();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString path_;
    QString pattern_;
    QString lastTipItem_;
};

}  // namespace quillon
