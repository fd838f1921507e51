#include "frmcmpheader.h"

#include "mru.h"
#include "prompter.h"
#include "recentcombo.h"
#include "settingkeys.h"
#include "settingsstore.h"
#include "utilities.h"
#include "windowfont.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString StandardDatFile = QStringLiteral("Standard DatFile");
const QString FixDatFile = QStringLiteral("Fix-DatFile");

QComboBox* makeCombo(const char* objectName, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(objectName));
    combo->setEditable(true);
    // Entries are added by the recent lists only, never by pressing Enter.
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QLineEdit* makeTextBox(const char* objectName, QWidget* parent)
{
    auto* text = new QLineEdit(parent);
    text->setObjectName(QString::fromLatin1(objectName));
    return text;
}

QPushButton* makeButton(const char* objectName, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

// Why Save is disabled: the values a header block cannot go without. Empty when none is missing.
QString missingValuesText(bool nameMissing, bool descriptionMissing)
{
    if (nameMissing && descriptionMissing)
        return QStringLiteral("Save needs a name and a description.");
    if (nameMissing)
        return QStringLiteral("Save needs a name.");
    if (descriptionMissing)
        return QStringLiteral("Save needs a description.");
    return {};
}

}  // namespace

frmCMPHeader::frmCMPHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow)
    : QDialog(mainWindow),
      store_(store),
      prompter_(prompter),
      cboHeaderName(makeCombo("cboHeaderName", this)),
      cboHeaderDesc(makeCombo("cboHeaderDesc", this)),
      txtHeaderVersion(makeTextBox("txtHeaderVersion", this)),
      cboHeaderAuthor(makeCombo("cboHeaderAuthor", this)),
      cboHeaderCat(makeCombo("cboHeaderCat", this)),
      txtHeaderComment(makeTextBox("txtHeaderComment", this)),
      cmdSave(makeButton("cmdSave", QStringLiteral("&Save"), this)),
      cmdDefaults(makeButton("cmdDefaults", QStringLiteral("&Clear"), this)),
      cmdCancel(makeButton("cmdCancel", QStringLiteral("&Cancel"), this)),
      lblSaveHint(new QLabel(this))
{
    setObjectName(QStringLiteral("frmCMPHeader"));
    setWindowTitle(QStringLiteral("ClrMame Pro Header"));
    UseWindowFont(*this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name :"), cboHeaderName);
    fields->addRow(QStringLiteral("Description :"), cboHeaderDesc);
    fields->addRow(QStringLiteral("Version :"), txtHeaderVersion);
    fields->addRow(QStringLiteral("Author :"), cboHeaderAuthor);
    fields->addRow(QStringLiteral("Category :"), cboHeaderCat);
    fields->addRow(QStringLiteral("Comment :"), txtHeaderComment);
    lblSaveHint->setObjectName(QStringLiteral("lblSaveHint"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblSaveHint);
    buttons->addStretch();
    for (QPushButton* button : {cmdSave, cmdDefaults, cmdCancel})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    const int boxHeight = cboHeaderName->sizeHint().height();
    txtHeaderVersion->setFixedHeight(boxHeight);
    txtHeaderComment->setFixedHeight(boxHeight);

    cboHeaderCat->addItems({StandardDatFile, FixDatFile});
    cboHeaderCat->setCurrentIndex(0);

    connect(cboHeaderName, &QComboBox::editTextChanged, this, &frmCMPHeader::EnableSaveButton);
    connect(cboHeaderDesc, &QComboBox::editTextChanged, this, &frmCMPHeader::EnableSaveButton);
    const auto recentList = [this](QLatin1StringView list, QComboBox* combo) {
        return std::make_unique<RecentCombo>(store_, list, combo, m_bActivated);
    };
    recents_ = {recentList(mru::HeaderName, cboHeaderName), recentList(mru::HeaderDesc, cboHeaderDesc),
                recentList(mru::HeaderAuthor, cboHeaderAuthor)};
    connect(cboHeaderName, &QComboBox::activated, this, [this](int index) { recordPickedEntry(*recents_[0], index); });
    connect(cboHeaderDesc, &QComboBox::activated, this, [this](int index) { recordPickedEntry(*recents_[1], index); });
    connect(cboHeaderAuthor, &QComboBox::currentIndexChanged, this,
            [this](int index) { recordPickedEntry(*recents_[2], index); });
    connect(cmdSave, &QPushButton::clicked, this, &frmCMPHeader::cmdSave_Click);
    connect(cmdDefaults, &QPushButton::clicked, this, &frmCMPHeader::cmdDefaults_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCMPHeader::cmdCancel_Click);

    EnableSaveButton();
    for (const auto& recent : recents_)
        recent->reload();
}

frmCMPHeader::~frmCMPHeader() = default;

QString frmCMPHeader::GetCMPHeaderFile(SettingsStore& store, Prompter& prompter, QWidget* mainWindow,
                                       const QString& sDat)
{
    frmCMPHeader editor(store, prompter, mainWindow);
    if (!sDat.isEmpty())
        editor.FillFromDat(sDat);
    editor.exec();
    return editor.m_sHeaderFile;
}

bool frmCMPHeader::EditHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow, DatHeader& header)
{
    frmCMPHeader editor(store, prompter, mainWindow);
    editor.writesHeaderFile_ = false;
    editor.FillFromHeader(header);
    editor.exec();
    if (!editor.savedHeader_)
        return false;
    header = *editor.savedHeader_;
    return true;
}

std::optional<DatHeader> frmCMPHeader::AskNewHeader(SettingsStore& store, Prompter& prompter, QWidget* mainWindow)
{
    frmCMPHeader editor(store, prompter, mainWindow);
    editor.writesHeaderFile_ = false;
    editor.exec();
    return editor.savedHeader_;
}

void frmCMPHeader::FillFromDat(const QString& sDat)
{
    FillFromHeader(ReadDatHeader(store_, sDat).value_or(DatHeader()));
}

void frmCMPHeader::FillFromHeader(const DatHeader& header)
{
    cboHeaderName->setEditText(header.name);
    cboHeaderDesc->setEditText(header.description);
    txtHeaderVersion->setText(header.version);
    cboHeaderAuthor->setEditText(header.author);
    cboHeaderCat->setEditText(header.category);
    txtHeaderComment->setText(header.comment);
    encoding_ = header.encoding;
}

void frmCMPHeader::EnableSaveButton()
{
    const QString missing =
        missingValuesText(cboHeaderName->currentText().isEmpty(), cboHeaderDesc->currentText().isEmpty());
    cmdSave->setEnabled(missing.isEmpty());
    // A disabled button shows no tip, so the reason stands beside it.
    lblSaveHint->setText(missing);
}

// A recent entry picked from further down its list becomes the newest one.
void frmCMPHeader::recordPickedEntry(RecentCombo& recent, int index)
{
    if (index >= 1)
        recent.add(recent.combo()->itemText(index));
    EnableSaveButton();
}

DatHeader frmCMPHeader::headerFromBoxes() const
{
    const QString category = cboHeaderCat->currentText();
    DatHeader header;
    header.name = cboHeaderName->currentText();
    header.description = cboHeaderDesc->currentText();
    header.version = txtHeaderVersion->text();
    header.author = cboHeaderAuthor->currentText();
    header.category = category == FixDatFile ? QStringLiteral("FIXDATFILE") : category;
    header.comment = txtHeaderComment->text();
    header.encoding = encoding_;
    return header;
}

void frmCMPHeader::cmdSave_Click()
{
    for (const auto& recent : recents_) {
        const QString text = recent->combo()->currentText();
        if (!text.isEmpty())
            recent->add(text);
    }
    store_.write(keys::HeaderAuthor, cboHeaderAuthor->currentText());

    const DatHeader header = headerFromBoxes();
    if (!writesHeaderFile_) {
        savedHeader_ = header;
    } else if (const Outcome written = writeHeaderFile(header); !written) {
        prompter_.ask({.text = u"The header could not be saved.\n\n"_s + written.reason(),
                       .title = windowTitle(),
                       .icon = PromptIcon::Critical});
        return;
    }
    accept();
}

Outcome frmCMPHeader::writeHeaderFile(const DatHeader& header)
{
    const QString file = GetTempFileName(QStringLiteral("cmh"));
    if (file.isEmpty())
        return Outcome::failure(GetTempFolder() + u": a temporary file cannot be made there"_s);
    if (Outcome written = WriteHeaderFile(file, header); !written) {
        // A half-written header file is of no use to anyone: nobody else knows its name.
        DeleteFileQuiet(file);
        return written;
    }
    m_sHeaderFile = file;
    return Outcome::success();
}

void frmCMPHeader::cmdDefaults_Click()
{
    for (QComboBox* combo : {cboHeaderName, cboHeaderDesc, cboHeaderAuthor, cboHeaderCat})
        combo->clearEditText();
    txtHeaderVersion->clear();
    txtHeaderComment->clear();
    cboHeaderCat->setCurrentIndex(0);
    cboHeaderCat->setEditText(StandardDatFile);
}

void frmCMPHeader::cmdCancel_Click()
{
    m_sHeaderFile.clear();
    reject();
}

void frmCMPHeader::showEvent(QShowEvent* event)
{
    m_bActivated = true;
    QDialog::showEvent(event);
}

void frmCMPHeader::closeEvent(QCloseEvent* event)
{
    m_sHeaderFile.clear();
    QDialog::closeEvent(event);
}

}  // namespace quillon
