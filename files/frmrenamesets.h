#pragma once

#include "setrenamer.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace quillon {

class Prompter;

// "Rename files": the user picks the folders of a collection (ROMs, CHDs, snapshots, cfg,
// nvram...), sees for each entry of a moved set what it will become, and only on confirming
// are the entries renamed. The results replace the preview; a journal lets the main window's
// File > Undo last rename put them back.
class frmRenameSets : public QDialog {
    Q_OBJECT

public:
    frmRenameSets(QList<SetMove> moves, Prompter& prompter, QString journalFolder, QWidget* parent = nullptr);

    // The plan shown, for the folders picked so far.
    const RenamePlan& plan() const { return plan_; }

private:
    void cmdAddFolder_Click();
    void cmdRemoveFolder_Click();
    void cmdRename_Click();
    // Plans again for the folders of the list; false (and the reason told) when one cannot be read.
    bool replan();
    void showPlan();
    void showResults(const RenameRun& run);
    QStringList folders() const;

    QList<SetMove> moves_;
    Prompter& prompter_;
    QString journalFolder_;
    RenamePlan plan_;

    QListWidget* lstFolders = nullptr;
    QPushButton* cmdRemoveFolder = nullptr;
    QTableWidget* tblPlan = nullptr;
    QLabel* lblPlan = nullptr;
    QPushButton* cmdRename = nullptr;
};

// File > Undo last rename: asks, then reverses the newest journal in `journalFolder`, telling
// the user what came back and what could not.
void UndoLastRename(Prompter& prompter, const QString& journalFolder);

}  // namespace quillon
