#pragma once

#include "outcome.h"
#include "workcontrol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The "clrmamepro (" header block of a DAT: writing it into a header file, reading it from a DAT,
// and copying a DAT without it. DAT bodies are bytes and pass through unchanged; only the six
// values are decoded into text.
namespace quillon {

class SettingsStore;

// How the values of a header were (or are to be) encoded in the file.
enum class HeaderEncoding { Utf8, Latin1 };

// The six values of a header block, stored without their surrounding quotes.
struct DatHeader {
    QString name;
    QString description;
    QString version;
    QString author;
    QString category;
    QString comment;
    // Latin1 when a value read from a DAT was not valid UTF-8, so that a rewritten header keeps
    // the encoding of the DAT's body.
    HeaderEncoding encoding = HeaderEncoding::Utf8;

    bool operator==(const DatHeader&) const = default;
};

// Writes the eight-line block ("clrmamepro (", name, description, category, version, author,
// comment, ")"), each line ending in CR LF, as the whole content of `path`. Every value is quoted,
// an empty one as "". The file is replaced only once the block is complete and flushed to disk.
// A failure says why.
Outcome WriteHeaderFile(const QString& path, const DatHeader& header);

// The first header block of the DAT, over `base`: fields without a line keep its value. Unless
// `searchWholeFile`, only a block opening on lines 1 to 19 counts. Nothing when the DAT cannot be
// opened or has no block.
std::optional<DatHeader> ReadDatHeader(const QString& path, bool searchWholeFile, DatHeader base = {});
// The same, with "SearchWholeFile" of the "Options" section deciding how far to look.
std::optional<DatHeader> ReadDatHeader(const SettingsStore& store, const QString& path);

// Appends the DAT `source` to `destination` (created when missing) line by line, leaving out
// every header block, and ends every line with CR LF. The DAT is streamed, never held whole.
// A failure (a file that cannot be opened, read or written) says why; `destination` then holds
// what was appended before the error, or before `control` stopped the copy.
Outcome AppendDatWithoutHeader(const QString& destination, const QString& source, const WorkControl& control = {});

// Gives the DAT the header block of `headerFile`: the block, then the DAT's lines outside its
// old header blocks, each ending in CR LF. The new DAT is written beside the old one and takes
// its place only when complete; a failure or a stop through `control` leaves the DAT as it was.
Outcome ReplaceDatHeader(const QString& dat, const QString& headerFile, const WorkControl& control = {});

// The line as the header tests see it: pairs of blanks made one, TABs made blanks, trimmed,
// lower case.
QByteArray NormalizeHeaderLine(QByteArrayView line);
// The normalised line up to its first blank.
QByteArray HeaderLineKey(QByteArrayView line);
// The raw value after `key` on the line, without its surrounding quotes.
QByteArray HeaderLineValue(QByteArrayView line, QByteArrayView key);

}  // namespace quillon
