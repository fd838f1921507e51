#pragma once

class QWidget;

namespace quillon {

class SettingsStore;

// The main window's place on the screen, kept in the settings in twips.
// The stored place is used only while some screen still shows it; otherwise the designed one.
void RestoreWindowPosition(QWidget& window, const SettingsStore& store);
void SaveWindowPosition(const QWidget& window, SettingsStore& store);

}  // namespace quillon
