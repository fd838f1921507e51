#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace quillon {

class FileListBox;

// The object names of one panel's controls and the words that differ between the two sides.
struct PanelNames {
    const char* side;            // "Left" or "Right": the suffix of the buttons' names
    const char* list;            // "filOld"
    const char* folderCombo;     // "cboSourceDat"
    const char* caption;         // "lblSource"
    const char* captionText;     // "Source Dat :"
    const char* selection;       // "lblSourceDat"
    bool copiesPathToTheRight;   // which way the copy-path arrow points
};

// One of the main window's two folder panels: the folder combo of recent folders, the filter,
// the folder buttons, the list of files, the selected name and the buttons that act on the
// selected file. What the buttons do across the two panels is the main window's business.
class FilePanel : public QWidget {
    Q_OBJECT

public:
    FilePanel(const PanelNames& names, QWidget* parent = nullptr);

    // The folder, "" before one is set.
    QString folder() const;
    // Folder and name of the selected file, "" when none is selected.
    QString selectedPath() const;
    // The selection label shows the list's selected name and the file buttons follow it.
    void showSelection();
    // Empties the selection label and disables the file buttons.
    void clearSelection();

    QLabel* lblCaption;
    QComboBox* cboFolder;
    QToolButton* cmdBrowse;
    QToolButton* cmdRefresh;
    QToolButton* cmdCopyPath;
    QComboBox* cboFilter;
    FileListBox* fil;
    QLabel* lblSelection;
    QPushButton* cmdDelete;
    QPushButton* cmdCopy;
    QPushButton* cmdMove;
    QPushButton* cmdInfo;

private:
    QLayout* createFolderRow();
    QLayout* createToolRow(const PanelNames& names);
    QLayout* createFileButtonRow();
    void enableFileButtons(bool enabled);
};

}  // namespace quillon
