#include "frmcreate.h"

#include "combowidth.h"
#include "datcapture.h"
#include "mru.h"
#include "prompter.h"
#include "recentcombo.h"
#include "settingkeys.h"
#include "themedicon.h"
#include "utilities.h"
#include "windowfont.h"
#include "ziparchive.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList listSwitches{u"-listinfo"_s, u"-listxml"_s};
const QString datFilter = u"ClrMamePro Dat File (*.dat)"_s;
const QString xmlFilter = u"XML DatFile (*.xml)"_s;

QToolButton* pictureButton(const QString& name, const QIcon& icon, const QString& tip)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setIcon(icon);
    button->setToolTip(tip);
    return button;
}

// A typed "~/games/mame" is in the home folder, as in a shell.
QString expandHomeFolder(const QString& path)
{
    if (path == u"~"_s || path.startsWith(u"~/"_s))
        return QDir::homePath() + path.mid(1);
    return path;
}

// The destination with the extension of the file type chosen in the save dialog.
QString withTypeExtension(const QString& path, int filterIndex)
{
    const QString extension = filterIndex == 1 ? u"xml"_s : u"dat"_s;
    if (GetExtension(path).compare(extension, Qt::CaseInsensitive) == 0)
        return path;
    return path + u'.' + extension;
}

}  // namespace

frmCreate::frmCreate(SettingsStore& store, Prompter& prompter, QWidget* parent)
    : QDialog(parent), store_(store), prompter_(prompter)
{
    setObjectName("frmCreate");
    setWindowTitle(u"Create a Dat-File from a MAME Executable"_s);
    UseWindowFont(*this);
    buildControls();
    cmdZipDat->setChecked(store_.readBool(keys::CreateDatZipDat));
    restoreLastProgram();
    saveToRecent_ = std::make_unique<RecentCombo>(store_, mru::SaveTo, cboSaveTo, m_bActivated);
    saveToRecent_->reload();
    // The window opens on the newest destination, ready for another run.
    if (cboSaveTo->count() > 0)
        cboSaveTo->setCurrentIndex(0);
    EnableCreateDat();
}

frmCreate::~frmCreate() = default;

// The window offers the program and switch of the last run again.
void frmCreate::restoreLastProgram()
{
    m_sExePath = store_.readString(keys::CreateDatExecutable);
    txtExe->setText(QFileInfo(m_sExePath).fileName());
    const qsizetype version = listSwitches.indexOf(store_.readString(keys::CreateDatListSwitch));
    cboEmulator->setCurrentIndex(version > 0 ? static_cast<int>(version) : 0);
}

void frmCreate::rememberProgram(int version)
{
    store_.write(keys::CreateDatExecutable, m_sExePath);
    store_.write(keys::CreateDatListSwitch, listSwitches.at(version));
}

void frmCreate::buildControls()
{
    txtExe = new QLineEdit;
    txtExe->setObjectName("txtExe");
    cpvButton1 = pictureButton(u"cpvButton1"_s, ThemedIcon(this, "document-open", QStyle::SP_DirOpenIcon),
                               u"Select the MAME executable."_s);
    cboEmulator = new QComboBox;
    cboEmulator->setObjectName("cboEmulator");
    cboEmulator->setEditable(true);
    cboEmulator->addItems({u"After MAME 0.84"_s, u"After MAME 0.84 (XML)"_s});
    cboEmulator->setCurrentIndex(0);
    cboSaveTo = new QComboBox;
    cboSaveTo->setObjectName("cboSaveTo");
    cboSaveTo->setEditable(true);
    cboSaveTo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cpvButton2 = pictureButton(u"cpvButton2"_s, ThemedIcon(this, "document-save-as", QStyle::SP_DialogSaveButton),
                               u"Select the destination DatFile."_s);
    cmdZipDat = pictureButton(u"cmdZipDat"_s,
                              ThemedIcon(this, "package-x-generic", QStyle::SP_DirClosedIcon),
                              u"Zip the DatFile after its creation."_s);
    cmdZipDat->setCheckable(true);
    lblReceivedBytes = new QLabel;
    lblReceivedBytes->setObjectName("lblReceivedBytes");
    cmdCreatDat = new QPushButton(u"Create DatFile"_s);
    cmdCreatDat->setObjectName("cmdCreatDat");
    cmdCreatDat->setDefault(true);
    cmdCancel = new QPushButton(u"&Cancel"_s);
    cmdCancel->setObjectName("cmdCancel");
    sbStatusBar = new QStatusBar;
    sbStatusBar->setObjectName("sbStatusBar");
    sbStatusBar->setSizeGripEnabled(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(u"Executable :"_s), 0, 0);
    grid->addWidget(txtExe, 0, 1);
    grid->addWidget(cpvButton1, 0, 2);
    grid->addWidget(new QLabel(u"Version :"_s), 1, 0);
    grid->addWidget(cboEmulator, 1, 1);
    grid->addWidget(new QLabel(u"Save to :"_s), 2, 0);
    grid->addWidget(cboSaveTo, 2, 1);
    grid->addWidget(cpvButton2, 2, 2);
    grid->addWidget(cmdZipDat, 2, 3);
    auto* received = new QHBoxLayout;
    received->addWidget(new QLabel(u"Received Data :"_s));
    received->addWidget(lblReceivedBytes);
    received->addWidget(new QLabel(u"bytes"_s));
    received->addStretch();
    grid->addLayout(received, 3, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCreatDat);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(sbStatusBar);
    setMinimumWidth(480);

    connect(txtExe, &QLineEdit::textChanged, this, &frmCreate::EnableCreateDat);
    // A path typed by hand is the program, as a chosen one is.
    connect(txtExe, &QLineEdit::textEdited, this, [this](const QString& text) { m_sExePath = text; });
    connect(cboSaveTo, &QComboBox::editTextChanged, this, &frmCreate::EnableCreateDat);
    connect(cboSaveTo, &QComboBox::activated, this, &frmCreate::cboSaveTo_Click);
    connect(cpvButton1, &QToolButton::clicked, this, &frmCreate::cpvButton1_Click);
    connect(cpvButton2, &QToolButton::clicked, this, &frmCreate::cpvButton2_Click);
    connect(cmdCreatDat, &QPushButton::clicked, this, &frmCreate::cmdCreatDat_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCreate::reject);
}

void frmCreate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_bActivated = true;
}

void frmCreate::reject()
{
    if (capture_)
        capture_->cancel();
    else
        QDialog::reject();
}

// Closing the window, also when Quillon is asked to quit, stops a run and then closes.
void frmCreate::closeEvent(QCloseEvent* event)
{
    if (!capture_)
        return QDialog::closeEvent(event);
    capture_->cancel();
    done(QDialog::Rejected);
    event->accept();
}

void frmCreate::done(int result)
{
    store_.write(keys::CreateDatZipDat, cmdZipDat->isChecked() ? u"True"_s : u"False"_s);
    m_bActivated = false;
    QDialog::done(result);
}

void frmCreate::EnableCreateDat()
{
    cmdCreatDat->setEnabled(!txtExe->text().isEmpty() && !cboSaveTo->currentText().isEmpty());
}

void frmCreate::cboSaveTo_Click(int index)
{
    if (index >= 1)
        saveToRecent_->add(cboSaveTo->itemText(index));
    EnableCreateDat();
}

void frmCreate::cpvButton1_Click()
{
    setEnabled(false);
    // Linux executables have no extension to filter on.
    const QString chosen = prompter_.chooseFileToOpen({.startPath = m_sExePath, .filter = u"All files (*)"_s});
    if (!chosen.isEmpty()) {
        m_sExePath = chosen;
        txtExe->setText(QFileInfo(chosen).fileName());
    }
    setEnabled(true);
}

void frmCreate::cpvButton2_Click()
{
    const SaveChoice choice = prompter_.chooseSaveTarget(
        {.startPath = cboSaveTo->currentText(), .filter = datFilter + u";;"_s + xmlFilter});
    if (choice.path.isEmpty())
        return;
    const QString destination = withTypeExtension(choice.path, choice.filterIndex);
    cboSaveTo->setEditText(destination);
    saveToRecent_->add(destination);
}

void frmCreate::cmdCreatDat_Click()
{
    setEnabled(false);
    const bool ready = inputsPresent();
    setEnabled(true);
    if (!ready)
        return;
    const QString destination = cboSaveTo->currentText();
    saveToRecent_->add(destination);

    // Text typed into the version box matches no list switch: nothing is created.
    const int version = cboEmulator->findText(cboEmulator->currentText(), Qt::MatchExactly);
    if (version < 0) {
        accept();
        return;
    }
    rememberProgram(version);
    createDat({.program = expandHomeFolder(m_sExePath), .arguments = {listSwitches.at(version)}}, destination);
}

// Runs the program with only Cancel taking input. The window stays open afterwards: with the
// size received after a success, and for another try after a failure, which has been reported.
void frmCreate::createDat(const Command& command, const QString& destination)
{
    lblReceivedBytes->clear();
    sbStatusBar->clearMessage();
    setRunning(true);
    DatCapture capture(command, destination);
    capture_ = &capture;
    const CaptureResult result =
        capture.run([this](const QString& text) { sbStatusBar->showMessage(text); }, prompter_);
    capture_ = nullptr;
    setRunning(false);

    if (result.cancelled) {
        sbStatusBar->showMessage(u"Cancelled; "_s + destination + u" was left as it was."_s);
        return;
    }
    sbStatusBar->clearMessage();
    if (!result.written)
        return;
    lblReceivedBytes->setText(groupedNumber(result.bytes));
    if (cmdZipDat->isChecked())
        zipDestination(destination);
    else
        sbStatusBar->showMessage(destination + u" was created."_s);
}

void frmCreate::setRunning(bool running)
{
    const QList<QWidget*> inputs{txtExe, cpvButton1, cboEmulator, cboSaveTo, cpvButton2, cmdZipDat, cmdCreatDat};
    for (QWidget* input : inputs)
        input->setEnabled(!running);
    if (!running)
        EnableCreateDat();
}

// The DAT goes into an archive named after it and only the archive remains.
void frmCreate::zipDestination(const QString& destination)
{
    const QString archive = GetFileTitle(destination, true) + u".zip"_s;
    sbStatusBar->showMessage(u"Zipping DatFile..."_s);
    const Outcome zipped = AddToZip(archive, destination, destination, true);
    if (zipped) {
        sbStatusBar->showMessage(archive + u" was created."_s);
        return;
    }
    sbStatusBar->clearMessage();
    prompter_.ask({.text = u"Could not store "_s + destination + u" in "_s + archive + u".\n\n"_s + zipped.reason(),
                   .icon = PromptIcon::Critical});
}

bool frmCreate::inputsPresent()
{
    if (txtExe->text().isEmpty()) {
        warn(u"Please select a MAME Executable...\r\n"_s);
        return false;
    }
    if (cboSaveTo->currentText().isEmpty()) {
        warn(u"Please select a destionation...\r\n"_s);
        return false;
    }
    return true;
}

void frmCreate::warn(const QString& text)
{
    prompter_.ask({.text = text, .title = u"Warning..."_s, .icon = PromptIcon::Exclamation});
}

}  // namespace quillon
