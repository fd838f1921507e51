#include "frmoptions.h"

#include "folderpicker.h"
#include "settingkeys.h"
#include "themedicon.h"
#include "windowfont.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// Check boxes keep the stored values 0 (clear), 1 (ticked) and 2 (grey).
constexpr int cleared = 0;
constexpr int ticked = 1;
constexpr int grey = 2;

Qt::CheckState toCheckState(int value)
{
    switch (value) {
    case ticked: return Qt::Checked;
    case grey: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
    }
}

int toStoredValue(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked: return ticked;
    case Qt::PartiallyChecked: return grey;
    case Qt::Unchecked: break;
    }
    return cleared;
}

// A stored value outside what the control can show (a hand-edited store) counts as the default.
int storedIndex(const SettingsStore& store, const SettingKey& key, int count)
{
    const int value = store.readInt16(key);
    return value >= 0 && value < count ? value : parseStoredInt16(QString::fromLatin1(key.defaultValue)).value_or(0);
}

QGroupBox* addFrame(QLayout* layout, const QString& title)
{
    auto* frame = new QGroupBox(title);
    frame->setLayout(new QVBoxLayout);
    layout->addWidget(frame);
    return frame;
}

}  // namespace

frmOptions::frmOptions(SettingsStore& store, Prompter& prompter, QWidget* parent)
    : QDialog(parent), store_(store), prompter_(prompter)
{
    setObjectName("frmOptions");
    setWindowTitle(u"Options"_s);
    UseWindowFont(*this);

    auto* pages = new QTabWidget(this);
    pages->addTab(createGeneralPage(), u"General"_s);
    pages->addTab(createSetdeltaPage(), u"setdelta"_s);

    cmdSave = new QPushButton(u"&Save"_s);
    cmdCancel = new QPushButton(u"&Cancel"_s);
    cmdDefaults = new QPushButton(u"&Defaults"_s);
    cmdSave->setObjectName("cmdSave");
    cmdCancel->setObjectName("cmdCancel");
    cmdDefaults->setObjectName("cmdDefaults");
    cmdSave->setDefault(true);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdSave, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    buttons->addButton(cmdDefaults, QDialogButtonBox::ResetRole);
    connect(cmdSave, &QPushButton::clicked, this, &frmOptions::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdDefaults, &QPushButton::clicked, this, &frmOptions::cmdDefaults_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(buttons);
    load();
}

QWidget* frmOptions::createGeneralPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    QGroupBox* folderFrame = addFrame(layout, u"Dats Folder"_s);
    optDatFolder = addOptionGroup(folderFrame, u"optDatFolder"_s,
                                  {u"Remember the last one for each side"_s, u"Use this for each side:"_s});
    txtDatFolder = new QLineEdit;
    txtDatFolder->setObjectName("txtDatFolder");
    cmdBrowse = new QToolButton;
    cmdBrowse->setObjectName("cmdBrowse");
    cmdBrowse->setIcon(ThemedIcon(this, "folder-open", QStyle::SP_DirOpenIcon));
    cmdBrowse->setToolTip(u"Select a folder containing .dat files..."_s);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(txtDatFolder);
    folderRow->addWidget(cmdBrowse);
    qobject_cast<QBoxLayout*>(folderFrame->layout())->addLayout(folderRow);
    connect(optDatFolder, &QButtonGroup::idClicked, this, &frmOptions::optDatFolder_Click);
    connect(cmdBrowse, &QToolButton::clicked, this, &frmOptions::cmdBrowse_Click);

    QGroupBox* advancedFrame = addFrame(layout, u"Advanced"_s);
    chkCMPHeaderSearch = addCheckBox(advancedFrame, u"chkCMPHeaderSearch"_s,
                                     u"Search for CMP Header in the whole DatFile"_s);
    chkMultipleInstance = addCheckBox(advancedFrame, u"chkMultipleInstance"_s, u"Allow multiple Instances"_s);
    chkShowDiffResults = addCheckBox(advancedFrame, u"chkShowDiffResults"_s, u"Show results after Make Diff"_s);
    layout->addStretch();
    return page;
}

QWidget* frmOptions::createSetdeltaPage()
{
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    optSetType = addOptionGroup(addFrame(left, u"ROM Set Type"_s), u"optSetType"_s,
                                {u"Split (-s)"_s, u"Merged (-m)"_s, u"Non merged (-n)"_s});
    optDatType = addOptionGroup(addFrame(left, u"Dat Type"_s), u"optDatType"_s,
                                {u"Larger (-d1)"_s, u"Smaller (-d2)"_s, u"Even Smaller (-d3)"_s,
                                 u"Rom archival (-d4)"_s});
    QGroupBox* include = addFrame(right, u"Include"_s);
    chkRomRenames = addCheckBox(include, u"chkRomRenames"_s, u"ROM Renames (-r)"_s);
    chkNoDump = addCheckBox(include, u"chkNoDump"_s, u"'NoDump' (-z)"_s);
    chkBios = addCheckBox(include, u"chkBios"_s, u"Non-Separated BIOS (-b)"_s);
    optObject = addOptionGroup(addFrame(right, u"Object"_s), u"optObject"_s,
                               {u"ROMs (default)"_s, u"DISKs (-o disk)"_s, u"SAMPLEs (-o sample)"_s});
    left->addStretch();
    right->addStretch();
    return page;
}

QButtonGroup* frmOptions::addOptionGroup(QWidget* frame, const QString& name, const QStringList& captions)
{
    auto* group = new QButtonGroup(frame);
    group->setObjectName(name);
    for (int index = 0; index < captions.size(); ++index) {
        auto* option = new QRadioButton(captions.at(index));
        option->setObjectName(u"%1_%2"_s.arg(name).arg(index));
        group->addButton(option, index);
        frame->layout()->addWidget(option);
    }
    return group;
}

QCheckBox* frmOptions::addCheckBox(QWidget* frame, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    // A grey value comes only from the store; a click gives the box back its two states.
    connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    frame->layout()->addWidget(box);
    return box;
}

void frmOptions::load()
{
    loadOptionGroup(optSetType, keys::SetType, 3);
    loadOptionGroup(optDatType, keys::DatType, 4);
    loadOptionGroup(optObject, keys::Object, 3);
    loadOptionGroup(optDatFolder, keys::DatFolderMode, 2);
    optDatFolder_Click(optDatFolder->checkedId());

    loadCheckBox(chkRomRenames, keys::RomRenames);
    loadCheckBox(chkNoDump, keys::NoDump);
    loadCheckBox(chkBios, keys::NonSeparatedBios);
    txtDatFolder->setText(store_.readString(keys::DatFolder));
    loadCheckBox(chkMultipleInstance, keys::MultipleInstances);
    loadCheckBox(chkCMPHeaderSearch, keys::SearchWholeFile);
    loadCheckBox(chkShowDiffResults, keys::ShowDiffResults);
}

void frmOptions::loadOptionGroup(QButtonGroup* group, const SettingKey& key, int count)
{
    group->button(storedIndex(store_, key, count))->setChecked(true);
}

void frmOptions::loadCheckBox(QCheckBox* box, const SettingKey& key)
{
    box->setCheckState(toCheckState(storedIndex(store_, key, 3)));
}

void frmOptions::save()
{
    const SettingsStore::Batch oneWrite(store_);
    saveOptionGroup(optSetType, keys::SetType);
    saveOptionGroup(optDatType, keys::DatType);
    saveOptionGroup(optObject, keys::Object);
    saveOptionGroup(optDatFolder, keys::DatFolderMode);
    saveCheckBox(chkRomRenames, keys::RomRenames);
    saveCheckBox(chkNoDump, keys::NoDump);
    saveCheckBox(chkBios, keys::NonSeparatedBios);
    store_.write(keys::DatFolder, txtDatFolder->text());
    saveCheckBox(chkMultipleInstance, keys::MultipleInstances);
    saveCheckBox(chkCMPHeaderSearch, keys::SearchWholeFile);
    saveCheckBox(chkShowDiffResults, keys::ShowDiffResults);
    accept();
}

void frmOptions::saveOptionGroup(QButtonGroup* group, const SettingKey& key)
{
    if (group->checkedId() >= 0)
        store_.write(key, QString::number(group->checkedId()));
}

void frmOptions::saveCheckBox(QCheckBox* box, const SettingKey& key)
{
    store_.write(key, QString::number(toStoredValue(box->checkState())));
}

void frmOptions::cmdDefaults_Click()
{
    optSetType->button(0)->setChecked(true);
    optDatType->button(1)->setChecked(true);
    optObject->button(0)->setChecked(true);
    for (QCheckBox* box : {chkRomRenames, chkBios, chkMultipleInstance, chkCMPHeaderSearch})
        box->setCheckState(Qt::Unchecked);
    chkNoDump->setCheckState(Qt::Checked);
    chkShowDiffResults->setCheckState(Qt::Checked);
}

void frmOptions::cmdBrowse_Click()
{
    txtDatFolder->setText(BrowseForFolder(prompter_, txtDatFolder->text()));
}

// "Remember the last one" needs no folder; the text is kept and saved all the same.
void frmOptions::optDatFolder_Click(int index)
{
    const bool fixedFolder = index == 1;
    txtDatFolder->setEnabled(fixedFolder);
    cmdBrowse->setEnabled(fixedFolder);
}

}  // namespace quillon
