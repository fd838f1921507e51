#pragma once

#include "cmpheader.h"

#include <QDialog>

#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class Prompter;
class RecentCombo;
class SettingsStore;

// The header editor: the six values of a DAT header block, with recent lists for the name,
// description and author. Save writes them as a header file in the temporary folder.
class frmCMPHeader : public QDialog {
    Q_OBJECT
public:
    frmCMPHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow = nullptr);
    ~frmCMPHeader() override;

    // Shows the editor modally over the main window, filled from the header of `sDat` when it
    // is not empty. Returns the path of the new header file, which the caller owns and deletes,
    // or "" when the user cancelled. A header file that cannot be written is reported with the
    // reason and the editor stays open, so the user can try again or cancel.
    static QString GetCMPHeaderFile(SettingsStore& store, Prompter& prompter, QWidget* mainWindow,
                                    const QString& sDat = QString());

    // Shows the editor modally over the main window, filled from `header`. True when the user
    // saved; `header` then holds the saved values. No header file is written.
    static bool EditHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow, DatHeader& header);

    // Shows the editor modally over the main window with its defaults. Returns the saved values,
    // or nothing when the user cancelled. No header file is written.
    static std::optional<DatHeader> AskNewHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Puts the values of the DAT's header into the boxes, empty ones included.
    void FillFromDat(const QString& sDat);
    void FillFromHeader(const DatHeader& header);
    void EnableSaveButton();
    void recordPickedEntry(RecentCombo& recent, int index);
    DatHeader headerFromBoxes() const;
    Outcome writeHeaderFile(const DatHeader& header);
    void cmdSave_Click();
    void cmdDefaults_Click();
    void cmdCancel_Click();

    SettingsStore& store_;
    Prompter& prompter_;
    QComboBox* cboHeaderName;
    QComboBox* cboHeaderDesc;
    QLineEdit* txtHeaderVersion;
    QComboBox* cboHeaderAuthor;
    QComboBox* cboHeaderCat;
    QLineEdit* txtHeaderComment;
    QPushButton* cmdSave;
    QPushButton* cmdDefaults;
    QPushButton* cmdCancel;
    QLabel* lblSaveHint;

    QString m_sHeaderFile;
    bool m_bActivated = false;
    // The recent lists of the name, description and author boxes, in that order.
    std::array<std::unique_ptr<RecentCombo>, 3> recents_;
    // Kept from the DAT the editor was filled from, so a rewritten header keeps its encoding.
    HeaderEncoding encoding_ = HeaderEncoding::Utf8;
    // False when the caller takes the values rather than a header file.
    bool writesHeaderFile_ = true;
    std::optional<DatHeader> savedHeader_;
};

}  // namespace quillon
