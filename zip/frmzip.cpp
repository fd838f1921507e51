#include "frmzip.h"

#include "prompter.h"
#include "utilities.h"
#include "windowfont.h"
#include "ziparchive.h"

#include <QCoreApplication>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillon {

namespace {

const QString DefaultIconKey = QStringLiteral("DEFAULT");
const QString FolderIconKey = QStringLiteral("FOLDER");
const QString FolderSize = QStringLiteral("<dir>");

enum Column { FileName, CompressedSize, Crc32, LastMod };

// Item data of a row's first cell: its icon key, whether it is a folder (which the text shown in
// its size cell must not be asked for) and the entry's index, by which it is extracted.
constexpr int IconKeyRole = Qt::UserRole;
constexpr int IsFolderRole = Qt::UserRole + 1;
constexpr int EntryIndexRole = Qt::UserRole + 2;

// Thousands separators whatever the locale's default, and an empty cell for nothing.
QString formatSize(quint64 size)
{
    if (size == 0)
        return QString();
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(size);
}

QString formatCrc(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

QPushButton* makeButton(const char* objectName, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

ZipEntry listedEntry(const QTreeWidgetItem& row)
{
    return ZipEntry{.name = row.text(FileName),
                    .index = row.data(FileName, EntryIndexRole).toULongLong(),
                    .isFolder = row.data(FileName, IsFolderRole).toBool()};
}

}  // namespace

frmZipProgress::frmZipProgress(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint),
      pbZipProgress(new QProgressBar),
      cmdCancel(makeButton("cmdCancel", QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("frmZipProgress"));
    setWindowTitle(QString());
    auto* Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    pbZipProgress->setObjectName(QStringLiteral("pbZipProgress"));
    pbZipProgress->setRange(0, 100);
    pbZipProgress->setValue(0);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(pbZipProgress);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    // Extraction runs inside the caller's event loop: only this window may take input meanwhile.
    setWindowModality(Qt::ApplicationModal);
    connect(cmdCancel, &QPushButton::clicked, this, &frmZipProgress::reject);
}

bool frmZipProgress::setPercent(int nBytesPercent)
{
    pbZipProgress->setValue(nBytesPercent);
    QCoreApplication::processEvents();
    return !cancelled_;
}

void frmZipProgress::reject()
{
    cancelled_ = true;
    cmdCancel->setEnabled(false);
}

frmZip::frmZip(Prompter& prompter, QWidget* mainWindow)
    : QDialog(mainWindow),
      prompter_(prompter),
      mainWindow_(mainWindow),
      lsvZipContents(new QTreeWidget),
      cmdSelect(makeButton("cmdSelect", QStringLiteral("&Select"), this)),
      cmdCancel(makeButton("cmdCancel", QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("frmZip"));
    setWindowTitle(QStringLiteral("Zip Contents"));
    UseWindowFont(*this);

    lsvZipContents->setObjectName(QStringLiteral("lsvZipContents"));
    lsvZipContents->setRootIsDecorated(false);
    lsvZipContents->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvZipContents->setHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Compressed Size"),
                                     QStringLiteral("CRC32"), QStringLiteral("Last Mod")});
    const int widths[] = {300, 100, 70, 120};
    for (int column = FileName; column <= LastMod; ++column)
        lsvZipContents->setColumnWidth(column, widths[column]);
    lsvZipContents->headerItem()->setTextAlignment(CompressedSize, Qt::AlignRight | Qt::AlignVCenter);
    lsvZipContents->headerItem()->setTextAlignment(Crc32, Qt::AlignRight | Qt::AlignVCenter);
    fitColumnsToHeaders();

    const QFileIconProvider icons;
    ils.add(DefaultIconKey, icons.icon(QFileIconProvider::File));
    ils.add(FolderIconKey, icons.icon(QFileIconProvider::Folder));

    auto* Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    (new QVBoxLayout(Frame1))->addWidget(lsvZipContents);
    auto* Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* buttons = new QHBoxLayout(Frame2);
    buttons->addStretch();
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    resize(640, 360);

    cmdSelect->setEnabled(false);
    connect(lsvZipContents, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!lsvZipContents->selectedItems().isEmpty())
            cmdSelect->setEnabled(true);
    });
    connect(cmdSelect, &QPushButton::clicked, this, &frmZip::cmdSelect_Click);
    // A double-click picks the row as Enter and Select do.
    connect(lsvZipContents, &QTreeWidget::itemDoubleClicked, this, &frmZip::cmdSelect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmZip::reject);
}

QString frmZip::SelectDat(const QString& sZipFile, const QString& sTitle, QString* sItemName)
{
    m_sZipFile = sZipFile;
    m_sTempFile.clear();
    m_sItem.clear();
    if (!sTitle.isEmpty())
        setWindowTitle(sTitle);
    if (OpenZip()) {
        if (const std::optional<ZipEntry> lone = LoneDatEntry(entries_))
            ExtractTempFile(m_sZipFile, *lone);
        else
            exec();
    }
    if (sItemName)
        *sItemName = m_sItem;
    return m_sTempFile;
}

QString frmZip::SelectEntry(const QString& sZipFile, const QString& sTitle)
{
    takesOut_ = false;
    m_sZipFile = sZipFile;
    m_sItem.clear();
    if (!sTitle.isEmpty())
        setWindowTitle(sTitle);
    if (OpenZip()) {
        if (const std::optional<ZipEntry> lone = LoneDatEntry(entries_))
            m_sItem = lone->name;
        else
            exec();
    }
    return m_sItem;
}

bool frmZip::OpenZip()
{
    lsvZipContents->clear();
    const Result<QList<ZipEntry>> entries = ListZip(m_sZipFile);
    if (!entries) {
        prompter_.ask(PromptMessage{.text = m_sZipFile + QStringLiteral("\nThe file could be corrupted.\n\n") + entries.reason(),
                                    .title = QStringLiteral("File Info"),
                                    .icon = PromptIcon::Critical});
        m_sTempFile.clear();
        m_sItem.clear();
        return false;
    }
    entries_ = *entries;
    for (const ZipEntry& entry : entries_)
        addRow(entry);
    return true;
}

// The designed widths are a minimum: a caption in a wider font is never cut off.
void frmZip::fitColumnsToHeaders()
{
    QHeaderView* header = lsvZipContents->header();
    for (int column = FileName; column <= LastMod; ++column)
        lsvZipContents->setColumnWidth(column, std::max(lsvZipContents->columnWidth(column), header->sectionSizeHint(column)));
}

void frmZip::addRow(const ZipEntry& entry)
{
    auto* row = new QTreeWidgetItem(lsvZipContents);
    const QString iconKey = entry.isFolder ? FolderIconKey : GetIconKey(entry.name, ils, DefaultIconKey);
    row->setText(FileName, entry.name);
    row->setText(CompressedSize, entry.isFolder ? FolderSize : formatSize(entry.compressedSize));
    row->setText(Crc32, formatCrc(entry.crc));
    row->setText(LastMod, QLocale().toString(entry.modified, QLocale::ShortFormat));
    row->setTextAlignment(CompressedSize, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(Crc32, Qt::AlignRight | Qt::AlignVCenter);
    row->setIcon(FileName, ils.icon(iconKey));
    row->setData(FileName, IconKeyRole, iconKey);
    row->setData(FileName, IsFolderRole, entry.isFolder);
    row->setData(FileName, EntryIndexRole, entry.index);
}

void frmZip::cmdSelect_Click()
{
    for (int index = 0; index < lsvZipContents->topLevelItemCount(); ++index) {
        const QTreeWidgetItem* row = lsvZipContents->topLevelItem(index);
        if (row->isSelected() && !row->data(FileName, IsFolderRole).toBool()) {
            hide();
            if (takesOut_)
                ExtractTempFile(m_sZipFile, listedEntry(*row));
            else
                m_sItem = row->text(FileName);
            accept();
            return;
        }
    }
}

// An entry that is no file (a folder) is reported with the reason the extraction gives.
void frmZip::ExtractTempFile(const QString& sZipFile, const ZipEntry& item)
{
    m_sTempFile = GetTempFileName(QStringLiteral("dat"));

    frmZipProgress progress(mainWindow_);
    progress.show();
    const Outcome extracted = m_sTempFile.isEmpty()
        ? Outcome::failure(QStringLiteral("No temporary file could be made in ") + GetTempFolder() + u'.')
        : ExtractListedEntry(sZipFile, item, m_sTempFile,
                          [&progress](int percent) { return progress.setPercent(percent); });
    progress.hide();

    if (!extracted && !progress.cancelled())
        prompter_.ask(PromptMessage{.text = sZipFile + u'\n' + extracted.reason(),
                                    .title = QStringLiteral("File Info"),
                                    .icon = PromptIcon::Critical});
    if (extracted) {
        m_sItem = item.name;
    } else {
        if (!m_sTempFile.isEmpty())
            DeleteFileQuiet(m_sTempFile);
        m_sTempFile.clear();
        m_sItem.clear();
    }
}

}  // namespace quillon
