#pragma once

#include "datdialogs.h"

class QWidget;

namespace quillon {

class Prompter;
class SettingsStore;

// The zip contents window and the header editor, shown modally over the main window.
class WindowDatDialogs : public DatDialogs {
public:
    WindowDatDialogs(SettingsStore& store, Prompter& prompter, QWidget* mainWindow);

    QString SelectDat(const QString& zipFile, const QString& title, QString* entryName) override;
    QString SelectDatEntry(const QString& zipFile, const QString& title) override;
    QString GetCMPHeaderFile(const QString& dat) override;
    std::optional<DatHeader> AskNewHeader() override;
    bool EditDatHeader(DatHeader& header) override;

private:
    SettingsStore& store_;
    Prompter& prompter_;
    QWidget* mainWindow_;
};

}  // namespace quillon
