#include "scripteddatdialogs.h"

#include "utilities.h"
#include "ziparchive.h"

namespace quillon::testing {

QString ScriptedDatDialogs::SelectDat(const QString& zipFile, const QString& title, QString* entryName)
{
    selectTitles_.append(title);
    const QString entry = entries_.empty() ? QString() : entries_.front();
    if (!entries_.empty())
        entries_.pop_front();
    if (entry.isEmpty())
        return {};
    const QString extracted = GetTempFileName("dat");
    madeFiles_.append(extracted);
    if (!ExtractZipEntry(zipFile, entry, extracted)) {
        DeleteFileQuiet(extracted);
        return {};
    }
    if (entryName)
        *entryName = entry;
    return extracted;
}

std::optional<DatHeader> ScriptedDatDialogs::nextHeader()
{
    const std::optional<DatHeader> header = headers_.empty() ? std::nullopt : headers_.front();
    if (!headers_.empty())
        headers_.pop_front();
    return header;
}

bool ScriptedDatDialogs::EditDatHeader(DatHeader& header)
{
    headersShown_.push_back(header);
    const std::optional<DatHeader> saved = nextHeader();
    if (saved)
        header = *saved;
    return saved.has_value();
}

QString ScriptedDatDialogs::GetCMPHeaderFile(const QString& dat)
{
    headerRequests_.append(dat);
    const std::optional<DatHeader> header = nextHeader();
    if (!header)
        return {};
    const QString headerFile = GetTempFileName("cmh");
    madeFiles_.append(headerFile);
    return WriteHeaderFile(headerFile, *header) ? headerFile : QString();
}

}  // namespace quillon::testing
