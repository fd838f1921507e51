#include "filepanel.h"

#include "filelistbox.h"
#include "fileoperations.h"
#include "foldercombo.h"
#include "themedicon.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

QString nameOnSide(const char* name, const PanelNames& names)
{
    return QString::fromLatin1(name) + QString::fromLatin1(names.side);
}

QToolButton* pictureButton(QWidget* parent, const QString& objectName, const char* iconName,
                           QStyle::StandardPixmap fallback)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(ThemedIcon(button, iconName, fallback));
    button->setAutoRaise(false);
    return button;
}

QPushButton* fileButton(QWidget* parent, const QString& objectName, const QString& caption, const char* iconName,
                        QStyle::StandardPixmap fallback)
{
    auto* button = new QPushButton(ThemedIcon(parent, iconName, fallback), caption, parent);
    button->setObjectName(objectName);
    button->setEnabled(false);
    return button;
}

}  // namespace

FilePanel::FilePanel(const PanelNames& names, QWidget* parent) : QWidget(parent)
{
    lblCaption = new QLabel(QString::fromLatin1(names.captionText), this);
    lblCaption->setObjectName(names.caption);
    cboFolder = new QComboBox(this);
    cboFolder->setObjectName(names.folderCombo);
    // The text is the panel's folder: chosen from the recent list, set by the buttons, or typed.
    AcceptTypedFolders(cboFolder);
    cboFolder->setInsertPolicy(QComboBox::NoInsert);
    cboFolder->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboFolder->setMinimumContentsLength(12);
    lblCaption->setBuddy(cboFolder);

    cmdBrowse = pictureButton(this, nameOnSide("cmdBrowse", names), "folder-open", QStyle::SP_DirOpenIcon);
    cmdRefresh = pictureButton(this, nameOnSide("cmdRefresh", names), "view-refresh", QStyle::SP_BrowserReload);
    cmdCopyPath = names.copiesPathToTheRight
                      ? pictureButton(this, nameOnSide("cmdCopyPath", names), "go-next", QStyle::SP_ArrowRight)
                      : pictureButton(this, nameOnSide("cmdCopyPath", names), "go-previous", QStyle::SP_ArrowLeft);
    cboFilter = new QComboBox(this);
    cboFilter->setObjectName(nameOnSide("cboFilter", names));

    fil = new FileListBox(this);
    fil->setObjectName(names.list);
    lblSelection = new QLabel(this);
    lblSelection->setObjectName(names.selection);
    lblSelection->setTextFormat(Qt::PlainText);
    lblSelection->setFrameShape(QFrame::StyledPanel);
    lblSelection->setFrameShadow(QFrame::Sunken);
    lblSelection->setMinimumWidth(1);

    cmdDelete = fileButton(this, nameOnSide("cmdDelete", names), QStringLiteral("&Delete"), "edit-delete", QStyle::SP_DialogDiscardButton);
    cmdCopy = fileButton(this, nameOnSide("cmdCopy", names), QStringLiteral("&Copy"), "edit-copy", QStyle::SP_FileDialogNewFolder);
    cmdMove = fileButton(this, nameOnSide("cmdMove", names), QStringLiteral("&Move"), "go-jump", QStyle::SP_FileDialogToParent);
    cmdInfo = fileButton(this, nameOnSide("cmdInfo", names), QStringLiteral("&Info"), "dialog-information",
                         QStyle::SP_MessageBoxInformation);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(createFolderRow());
    layout->addLayout(createToolRow(names));
    layout->addWidget(fil, 1);
    layout->addWidget(lblSelection);
    layout->addLayout(createFileButtonRow());
}

QLayout* FilePanel::createFolderRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(lblCaption);
    row->addWidget(cboFolder, 1);
    return row;
}

QLayout* FilePanel::createToolRow(const PanelNames& names)
{
    auto* row = new QHBoxLayout;
    // The copy-path arrow sits on the side of the other panel.
    if (!names.copiesPathToTheRight)
        row->addWidget(cmdCopyPath);
    row->addWidget(cmdBrowse);
    row->addWidget(cmdRefresh);
    row->addStretch(1);
    row->addWidget(cboFilter);
    if (names.copiesPathToTheRight)
        row->addWidget(cmdCopyPath);
    return row;
}

QLayout* FilePanel::createFileButtonRow()
{
    auto* row = new QHBoxLayout;
    for (QPushButton* button : {cmdDelete, cmdCopy, cmdMove, cmdInfo})
        row->addWidget(button);
    return row;
}

QString FilePanel::folder() const
{
    return fil->path();
}

QString FilePanel::selectedPath() const
{
    const QString name = fil->fileName();
    return name.isEmpty() ? QString() : PathInFolder(fil->path(), name);
}

void FilePanel::showSelection()
{
    const QString name = fil->fileName();
    lblSelection->setText(name);
    enableFileButtons(!name.isEmpty());
}

void FilePanel::clearSelection()
{
    lblSelection->clear();
    enableFileButtons(false);
}

void FilePanel::enableFileButtons(bool enabled)
{
    for (QPushButton* button : {cmdDelete, cmdCopy, cmdMove, cmdInfo})
        button->setEnabled(enabled);
}

}  // namespace quillon
