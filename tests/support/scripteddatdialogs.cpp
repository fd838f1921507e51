#include "scripteddatdialogs.h"

#include "utilities.h"
#include "ziparchive.h"

namespace quillon::testing {

QString ScriptedDatDialogs::SelectDat(const QString& zipFile, const QString& title, QString* entryName)
{
    selectTitles_.append(title);
    const QString entry = takeNext(entries_);
    if (entry.isEmpty())
        return {};
    const QString extracted = GetTempFileName(QStringLiteral("dat"));
    madeFiles_.append(extracted);
    if (!ExtractZipEntry(zipFile, entry, extracted)) {
        DeleteFileQuiet(extracted);
        return {};
    }
    if (entryName)
        *entryName = entry;
    return extracted;
}

bool ScriptedDatDialogs::EditDatHeader(DatHeader& header)
{
    headersShown_.push_back(header);
    const std::optional<DatHeader> saved = takeNext(headers_);
    if (saved)
        header = *saved;
    return saved.has_value();
}

QString ScriptedDatDialogs::GetCMPHeaderFile(const QString& dat)
{
    headerRequests_.append(dat);
    const std::optional<DatHeader> header = takeNext(headers_);
    if (!header)
        return {};
    const QString headerFile = GetTempFileName(QStringLiteral("cmh"));
    madeFiles_.append(headerFile);
    return WriteHeaderFile(headerFile, *header) ? headerFile : QString();
}

}  // namespace quillon::testing
