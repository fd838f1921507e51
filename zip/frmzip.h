#pragma once

#include "fileicons.h"
#include "ziparchive.h"

#include <QDialog>
#include <QPointer>

class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace quillon {

class Prompter;

// The bar shown, without a caption, while an entry is taken out of an archive, with a Cancel
// button. It keeps the other windows from input while it is up.
class frmZipProgress : public QDialog {
    Q_OBJECT
public:
    explicit frmZipProgress(QWidget* mainWindow = nullptr);

    // Moves the bar and lets the window repaint and take a click on Cancel. False once the user
    // has cancelled.
    bool setPercent(int nBytesPercent);
    bool cancelled() const { return cancelled_; }

    // Cancel, Escape and the close box all cancel the extraction.
    void reject() override;

private:
    QProgressBar* pbZipProgress;
    QPushButton* cmdCancel;
    bool cancelled_ = false;
};

// The contents of a zip archive: the user picks the DAT to work on, which is taken out into a
// temporary file.
class frmZip : public QDialog {
    Q_OBJECT
public:
    explicit frmZip(Prompter& prompter, QWidget* mainWindow = nullptr);

    // Lists `sZipFile` and takes out the entry the user picks, or without asking the archive's
    // one DAT entry (LoneDatEntry, the rule setdelta follows), into a new temporary file ("dat...tmp"), which the caller owns and
    // deletes. Returns its path, and the entry's name in `sItemName`; "" in both when nothing
    // was taken out (cancelled, unreadable archive, failed extraction). `sTitle` replaces the
    // caption "Zip Contents" when not empty.
    QString SelectDat(const QString& sZipFile, const QString& sTitle = QString(),
                      QString* sItemName = nullptr);

    // The same choice, for a reader that opens the archive itself: returns the name of the entry
    // the user picks (or of the only entry, taken as SelectDat takes it), without taking it out;
    // "" when nothing was picked.
    QString SelectEntry(const QString& sZipFile, const QString& sTitle = QString());

    // Takes the listed file entry `item` out into a new temporary file: on success tempFile() is
    // its path and item() its name; on failure both are "" and no temporary file is left. A
    // failure is reported with its reason; a cancel by the user is not.
    void ExtractTempFile(const QString& sZipFile, const ZipEntry& item);

    const QString& tempFile() const { return m_sTempFile; }
    const QString& item() const { return m_sItem; }

private:
    // Fills the list from m_sZipFile. An archive that cannot be listed is reported to the user
    // and gives false.
    bool OpenZip();
    void addRow(const ZipEntry& entry);
    void fitColumnsToHeaders();
    void cmdSelect_Click();

    Prompter& prompter_;
    QPointer<QWidget> mainWindow_;
    QTreeWidget* lsvZipContents;
    QPushButton* cmdSelect;
    QPushButton* cmdCancel;
    IconList ils;

    // Whether a picked entry is taken out into a temporary file or only named.
    bool takesOut_ = true;
    QString m_sZipFile;
    QList<ZipEntry> entries_;
    QString m_sTempFile;
    QString m_sItem;
};

}  // namespace quillon
