#include "datinformation.h"

#include "cmpheader.h"
#include "datdialogs.h"
#include "prompter.h"
#include "splash.h"
#include "utilities.h"
#include "ziparchive.h"

namespace quillon {

namespace {

void reportFailedRewrite(Prompter& prompter, const QString& path, const Outcome& outcome)
{
    prompter.ask({.text = "The header of " + path + " could not be rewritten; it was left as it was.\n\n"
                          + outcome.reason(),
                  .icon = PromptIcon::Critical});
}

void rewritePlainDat(const QString& dat, DatDialogs& dialogs, Prompter& prompter)
{
    const QString headerFile = dialogs.GetCMPHeaderFile(dat);
    if (headerFile.isEmpty())
        return;
    // The header file receives the DAT's lines outside its old header blocks and so becomes the
    // whole new DAT.
    Outcome rewritten = AppendDatWithoutHeader(headerFile, dat);
    if (rewritten)
        rewritten = CopyFileReplacing(headerFile, dat);
    if (!rewritten)
        reportFailedRewrite(prompter, dat, rewritten);
    DeleteFileQuiet(headerFile);
}

void rewriteZippedDat(const QString& zipFile, DatDialogs& dialogs, Prompter& prompter,
                      QWidget* mainWindow)
{
    QString entryName;
    const QString extracted = dialogs.SelectDat(zipFile, "Select the DatFile to open...", &entryName);
    if (extracted.isEmpty())
        return;
    const QString headerFile =
        GetExtension(entryName).toLower() == "dat" ? dialogs.GetCMPHeaderFile(extracted) : QString();
    if (!headerFile.isEmpty()) {
        const BusyScope busy(mainWindow);
        Outcome rewritten = AppendDatWithoutHeader(headerFile, extracted);
        if (rewritten)
            rewritten = AddToZip(zipFile, headerFile, entryName, false);
        if (!rewritten)
            reportFailedRewrite(prompter, zipFile, rewritten);
    }
    DeleteFileQuiet(extracted);
    DeleteFileQuiet(headerFile);
}

}  // namespace

void ShowDatInformation(const QString& path, DatDialogs& dialogs, Prompter& prompter,
                        QWidget* mainWindow)
{
    const QString extension = GetExtension(path).toLower();
    if (extension == "dat")
        rewritePlainDat(path, dialogs, prompter);
    else if (extension == "zip")
        rewriteZippedDat(path, dialogs, prompter, mainWindow);
}

}  // namespace quillon
