#pragma once

#include "cmpheader.h"
#include "datdialogs.h"
#include "scriptedprompter.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace quillon::testing {

// DatDialogs for tests: takes the scripted entry out of the real archive and writes the
// scripted header into a real header file, recording what was asked and what was made.
class ScriptedDatDialogs : public DatDialogs {
public:
    // The entry the user picks in the next zip; "" cancels.
    void pickNext(const QString& entryName) { entries_.push_back(entryName); }
    // The header the user saves next; nothing cancels.
    void saveNext(std::optional<DatHeader> header) { headers_.push_back(std::move(header)); }

    QString SelectDat(const QString& zipFile, const QString& title, QString* entryName) override
    {
        selectTitles_.append(title);
        const QString entry = takeNext(entries_);
        if (entry.isEmpty())
            return {};
        const QString extracted = madeFile(QStringLiteral("dat"));
        if (!ExtractZipEntry(zipFile, entry, extracted)) {
            DeleteFileQuiet(extracted);
            return {};
        }
        if (entryName)
            *entryName = entry;
        return extracted;
    }
    // The scripted entry, named only: the reader opens the archive itself.
    QString SelectDatEntry(const QString&, const QString& title) override
    {
        selectTitles_.append(title);
        return takeNext(entries_);
    }
    QString GetCMPHeaderFile(const QString& dat) override
    {
        headerRequests_.append(dat);
        const std::optional<DatHeader> header = takeNext(headers_);
        if (!header)
            return {};
        const QString headerFile = madeFile(QStringLiteral("cmh"));
        return WriteHeaderFile(headerFile, *header) ? headerFile : QString();
    }
    // Takes the next scripted header as what the user saved, recording the request as one
    // without a DAT.
    std::optional<DatHeader> AskNewHeader() override
    {
        headerRequests_.append(QString());
        return takeNext(headers_);
    }
    // Takes the next scripted header as what the user saved; records the values shown.
    bool EditDatHeader(DatHeader& header) override
    {
        headersShown_.push_back(header);
        const std::optional<DatHeader> saved = takeNext(headers_);
        if (saved)
            header = *saved;
        return saved.has_value();
    }

    const QStringList& selectTitles() const { return selectTitles_; }
    const QStringList& headerRequests() const { return headerRequests_; }
    const std::vector<DatHeader>& headersShown() const { return headersShown_; }
    // Every temporary file made; the command is expected to delete them all.
    const QStringList& madeFiles() const { return madeFiles_; }

private:
    QString madeFile(const QString& prefix)
    {
        madeFiles_.append(GetTempFileName(prefix));
        return madeFiles_.last();
    }

    std::deque<QString> entries_;
    std::deque<std::optional<DatHeader>> headers_;
    QStringList selectTitles_;
    QStringList headerRequests_;
    std::vector<DatHeader> headersShown_;
    QStringList madeFiles_;
};

}  // namespace quillon::testing
