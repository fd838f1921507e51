#include "frmmain.h"

#include "switches.h"

#include <QPlainTextEdit>
#include <QStatusBar>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr int heightWithLogHidden = 487;

}  // namespace

frmmain::frmmain(SettingsStore& store, QWidget* parent) : QMainWindow(parent), store_(store)
{
    setObjectName("frmmain");
    setFont(QFont("Tahoma"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    txtlog = new QPlainTextEdit(central);
    txtlog->setObjectName("txtlog");
    txtlog->setReadOnly(true);
    txtlog->hide();
    layout->addWidget(txtlog);
    setCentralWidget(central);

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName("sbStatusBar");
    setStatusBar(sbStatusBar);

    resize(width(), heightWithLogHidden);
    rebuildSwitches();
}

void frmmain::bringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmmain::rebuildSwitches()
{
    m_sSwitches = BuildDiffSwitches(store_);
    setWindowTitle(QString("Quillon %1 - Options: %2").arg(QUILLON_VERSION, m_sSwitches));
}

}  // namespace quillon
