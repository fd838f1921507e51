#include "windowposition.h"

#include "settingkeys.h"
#include "settingsstore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace quillon {

namespace {

// Positions are stored in twips, as earlier versions stored them: 15 to a pixel.
constexpr int twipsPerPixel = 15;

// Where the window opens when no position is stored, in twips.
constexpr double designedLeftTwips = 1800;
constexpr double designedTopTwips = 1200;

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

QString pixelsToTwips(int pixels)
{
    return QString::number(pixels * twipsPerPixel);
}

// A screen removed since the last close would otherwise leave the window where nobody can
// reach it.
bool onSomeScreen(const QPoint& topLeft)
{
    return QGuiApplication::screenAt(topLeft + QPoint(1, 1)) != nullptr;
}

}  // namespace

void RestoreWindowPosition(QWidget& window, const SettingsStore& store)
{
    const QPoint designed(twipsToPixels(designedLeftTwips), twipsToPixels(designedTopTwips));
    const QPoint stored(twipsToPixels(store.readDouble(keys::PositionLeft, designedLeftTwips)),
                        twipsToPixels(store.readDouble(keys::PositionTop, designedTopTwips)));
    window.move(onSomeScreen(stored) ? stored : designed);
}

void SaveWindowPosition(const QWidget& window, SettingsStore& store)
{
    store.write(keys::PositionTop, pixelsToTwips(window.pos().y()));
    store.write(keys::PositionLeft, pixelsToTwips(window.pos().x()));
}

}  // namespace quillon
