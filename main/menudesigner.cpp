#include "menudesigner.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

QTableWidget* createItemTable(const QList<MenuItemCaption>& items, QWidget* parent)
{
    auto* table = new QTableWidget(static_cast<int>(items.size()), 4, parent);
    table->setObjectName("lvwMenuItems");
    table->setHorizontalHeaderLabels({u"Item"_s, u"Caption"_s, u"Tip"_s, u"Picture"_s});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(false);
    table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    for (int row = 0; row < items.size(); ++row) {
        const MenuItemCaption& item = items.at(row);
        const QStringList cells{item.name, item.caption.text, item.caption.tip, item.caption.pictureKey};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    table->resizeColumnsToContents();
    return table;
}

}  // namespace

frmMenuDesigner::frmMenuDesigner(const QList<MenuItemCaption>& items, QWidget* parent) : QDialog(parent)
{
    setObjectName("frmMenuDesigner");
    setWindowTitle(u"Menu Designer"_s);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createItemTable(items, this));
    layout->addWidget(buttons);
    resize(640, 320);
}

}  // namespace quillon
