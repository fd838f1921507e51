#pragma once

#include <QWidget>

#include <memory>

namespace quillon {

class FilePanel;
class Prompter;
class RecentCombo;
class SettingsStore;

// The main window's two folder panels side by side, and what their controls do across them:
// the folder combos with their recent lists "SourceDat" and "CompareWith", the filters, copying,
// moving and deleting the selected file, and the start folders.
class FilePanels : public QWidget {
    Q_OBJECT

public:
    // `windowActive` is the main window's flag: once set, refilled folder combos select their
    // newest folder.
    FilePanels(SettingsStore& store, Prompter& prompter, const bool& windowActive, QWidget* parent = nullptr);
    ~FilePanels() override;

    FilePanel* left() const { return left_; }
    FilePanel* right() const { return right_; }
    // True when both panels have a selected file.
    bool bothSelected() const;
    // Reads both folders again; the selections are lost.
    void refresh();
    // On the window's first activation: mode 0 opens each panel on its newest recent folder,
    // mode 1 both on the fixed DAT folder of the options, any other leaves them as they are.
    void openStartFolders(int mode);
    // Both panels move to the fixed DAT folder of the options, when one is set.
    void useDatFolder();

signals:
    // A panel's selection or folder changed.
    void selectionChanged();
    // The user asked for the file to be opened, or for its DAT information.
    void openRequested(const QString& path);
    void informationRequested(const QString& path);

private:
    struct Side;

    Side leftSide() const;
    Side rightSide() const;
    void connectPanel(bool isLeft);
    void cboFolder_Click(const Side& side);
    void cboFolder_Enter(const Side& side);
    void cboFilter_Click(const Side& side, int index);
    void cmdBrowse_Click(const Side& side);
    void cmdCopyPath_Click(const Side& side);
    void cmdCopyLeft_Click();
    void cmdCopyRight_Click();
    void cmdMove_Click(const Side& side);
    void cmdDelete_Click(const Side& side);
    void fil_Click(const Side& side);
    void fil_PathChange(const Side& side);

    SettingsStore& store_;
    Prompter& prompter_;
    FilePanel* left_;
    FilePanel* right_;
    std::unique_ptr<RecentCombo> sourceRecent_;
    std::unique_ptr<RecentCombo> compareRecent_;
};

}  // namespace quillon
