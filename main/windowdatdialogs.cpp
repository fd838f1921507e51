#include "windowdatdialogs.h"

#include "frmcmpheader.h"
#include "frmzip.h"

namespace quillon {

WindowDatDialogs::WindowDatDialogs(SettingsStore& store, Prompter& prompter, QWidget* mainWindow)
    : store_(store), prompter_(prompter), mainWindow_(mainWindow)
{
}

QString WindowDatDialogs::SelectDat(const QString& zipFile, const QString& title, QString* entryName)
{
    frmZip zipWindow(prompter_, mainWindow_);
    return zipWindow.SelectDat(zipFile, title, entryName);
}

QString WindowDatDialogs::SelectDatEntry(const QString& zipFile, const QString& title)
{
    frmZip zipWindow(prompter_, mainWindow_);
    return zipWindow.SelectEntry(zipFile, title);
}

std::optional<DatHeader> WindowDatDialogs::AskNewHeader()
{
    return frmCMPHeader::AskNewHeader(store_, prompter_, mainWindow_);
}

QString WindowDatDialogs::GetCMPHeaderFile(const QString& dat)
{
    return frmCMPHeader::GetCMPHeaderFile(store_, prompter_, mainWindow_, dat);
}

bool WindowDatDialogs::EditDatHeader(DatHeader& header)
{
    return frmCMPHeader::EditHeader(store_, prompter_, mainWindow_, header);
}

}  // namespace quillon
