#include "datinformation.h"

#include "cmpheader.h"
#include "datdialogs.h"
#include "prompter.h"
#include "splash.h"
#include "utilities.h"
#include "xmlheader.h"
#include "ziparchive.h"

#include <QCoreApplication>

#include <atomic>
#include <optional>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// The busy window over the main window while a DAT is rewritten: the main window keeps
// repainting between blocks, and Escape stops the rewrite, which leaves the DAT as it was.
class RewriteScope {
public:
    explicit RewriteScope(QWidget* mainWindow) : busy_(mainWindow, [this] { stop_ = true; }) {}

    WorkControl control() const
    {
        return {.progress = [] { QCoreApplication::processEvents(); }, .stop = &stop_};
    }

private:
    std::atomic_bool stop_ = false;
    const BusyScope busy_;
};

void reportFailedRewrite(Prompter& prompter, const QString& path, const Outcome& outcome)
{
    prompter.ask({.text = u"The header of "_s + path + u" could not be rewritten; it was left as it was.\n\n"_s
                          + outcome.reason(),
                  .icon = PromptIcon::Critical});
}

// The values the user saved for an XML DAT's <header>, and where that header lies.
struct XmlHeaderEdit {
    XmlHeaderLayout layout;
    DatHeader header;
};

// Shows the editor filled from the XML DAT's header. Nothing when the user cancelled or the
// DAT has no header to edit (a MAME list, for one), which the user is told.
std::optional<XmlHeaderEdit> askForXmlHeader(const QString& dat, const QString& shownName, DatDialogs& dialogs,
                                             Prompter& prompter)
{
    Result<XmlHeaderLayout> scanned = ScanXmlHeader(dat);
    if (!scanned) {
        prompter.ask({.text = u"The header of "_s + shownName + u" could not be read: "_s + scanned.reason() + u'.',
                      .icon = PromptIcon::Critical});
        return std::nullopt;
    }
    XmlHeaderEdit edit{.layout = std::move(*scanned), .header = {}};
    if (!edit.layout.hasHeader) {
        prompter.ask({.text = shownName + u" has no header to edit."_s, .icon = PromptIcon::Information});
        return std::nullopt;
    }
    edit.header = XmlHeaderValues(edit.layout);
    if (!dialogs.EditDatHeader(edit.header))
        return std::nullopt;
    return edit;
}

void rewritePlainXmlDat(const QString& dat, DatDialogs& dialogs, Prompter& prompter, QWidget* mainWindow)
{
    const std::optional<XmlHeaderEdit> edit = askForXmlHeader(dat, dat, dialogs, prompter);
    if (!edit)
        return;
    const RewriteScope busy(mainWindow);
    if (const Outcome rewritten = RewriteXmlHeader(dat, edit->layout, edit->header, busy.control()); !rewritten)
        reportFailedRewrite(prompter, dat, rewritten);
}

void rewritePlainTextDat(const QString& dat, DatDialogs& dialogs, Prompter& prompter, QWidget* mainWindow)
{
    const QString headerFile = dialogs.GetCMPHeaderFile(dat);
    if (headerFile.isEmpty())
        return;
    {
        const RewriteScope busy(mainWindow);
        if (const Outcome rewritten = ReplaceDatHeader(dat, headerFile, busy.control()); !rewritten)
            reportFailedRewrite(prompter, dat, rewritten);
    }
    DeleteFileQuiet(headerFile);
}

// Rewrites the extracted entry's header in the extracted file and puts it back under its name.
void rewriteZippedXmlDat(const QString& zipFile, const QString& extracted, const QString& entryName,
                         DatDialogs& dialogs, Prompter& prompter, QWidget* mainWindow)
{
    const std::optional<XmlHeaderEdit> edit =
        askForXmlHeader(extracted, entryName + u" in "_s + zipFile, dialogs, prompter);
    if (!edit)
        return;
    const RewriteScope busy(mainWindow);
    Outcome rewritten = RewriteXmlHeader(extracted, edit->layout, edit->header, busy.control());
    if (rewritten)
        rewritten = AddToZip(zipFile, extracted, entryName, false);
    if (!rewritten)
        reportFailedRewrite(prompter, zipFile, rewritten);
}

void rewriteZippedTextDat(const QString& zipFile, const QString& extracted, const QString& entryName,
                          DatDialogs& dialogs, Prompter& prompter, QWidget* mainWindow)
{
    const QString headerFile = dialogs.GetCMPHeaderFile(extracted);
    if (headerFile.isEmpty())
        return;
    {
        const RewriteScope busy(mainWindow);
        Outcome rewritten = AppendDatWithoutHeader(headerFile, extracted, busy.control());
        if (rewritten)
            rewritten = AddToZip(zipFile, headerFile, entryName, false);
        if (!rewritten)
            reportFailedRewrite(prompter, zipFile, rewritten);
    }
    DeleteFileQuiet(headerFile);
}

void rewriteZippedDat(const QString& zipFile, DatDialogs& dialogs, Prompter& prompter, QWidget* mainWindow)
{
    QString entryName;
    const QString extracted = dialogs.SelectDat(zipFile, u"Select the DatFile to open..."_s, &entryName);
    if (extracted.isEmpty())
        return;
    if (GetExtension(entryName).toLower() == u"dat"_s) {
        if (LooksLikeXml(extracted))
            rewriteZippedXmlDat(zipFile, extracted, entryName, dialogs, prompter, mainWindow);
        else
            rewriteZippedTextDat(zipFile, extracted, entryName, dialogs, prompter, mainWindow);
    }
    DeleteFileQuiet(extracted);
}

}  // namespace

void ShowDatInformation(const QString& path, DatDialogs& dialogs, Prompter& prompter,
                        QWidget* mainWindow)
{
    const QString extension = GetExtension(path).toLower();
    if (extension == u"dat"_s) {
        if (LooksLikeXml(path))
            rewritePlainXmlDat(path, dialogs, prompter, mainWindow);
        else
            rewritePlainTextDat(path, dialogs, prompter, mainWindow);
    } else if (extension == u"zip"_s) {
        rewriteZippedDat(path, dialogs, prompter, mainWindow);
    }
}

}  // namespace quillon
