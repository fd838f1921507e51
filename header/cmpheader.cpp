#include "cmpheader.h"

#include "atomicfile.h"
#include "datlines.h"
#include "settingkeys.h"
#include "settingsstore.h"
#include "utilities.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QByteArrayView BlockKeyword = "clrmamepro (";
constexpr int LinesBetweenProgress = 10000;
// Only lines 1 to 19 can open the block when the whole file is not searched.
constexpr int LastLineToSearch = 19;

// One pass from left to right over pairs that do not overlap: three blanks become two.
QByteArray halvePairsOfBlanks(QByteArrayView line)
{
    QByteArray result;
    result.reserve(line.size());
    for (qsizetype index = 0; index < line.size(); ++index) {
        result.append(line[index]);
        if (line[index] == ' ' && index + 1 < line.size() && line[index + 1] == ' ')
            ++index;
    }
    return result;
}

QByteArray trimmedBlanks(const QByteArray& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    return text.sliced(first, last - first);
}

QByteArrayView withoutLeadingSpace(QByteArrayView line)
{
    qsizetype first = 0;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
        ++first;
    return line.sliced(first);
}

// Cheap tests first: nearly every line of a DAT fails them without being normalised.
bool opensHeaderBlock(QByteArrayView line)
{
    const QByteArrayView rest = withoutLeadingSpace(line);
    if (rest.isEmpty() || (rest[0] != 'c' && rest[0] != 'C'))
        return false;
    return NormalizeHeaderLine(line).startsWith(BlockKeyword);
}

bool closesHeaderBlock(QByteArrayView line)
{
    const QByteArrayView rest = withoutLeadingSpace(line);
    return !rest.isEmpty() && rest[0] == ')';
}

QByteArray removeQuotes(QByteArray text)
{
    if (text.startsWith('"'))
        text.remove(0, 1);
    if (text.endsWith('"'))
        text.chop(1);
    return text;
}

// UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise.
QString decodeValue(const QByteArray& bytes, HeaderEncoding& encoding)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    encoding = HeaderEncoding::Latin1;
    return QString::fromLatin1(bytes);
}

// An empty value is written as "" rather than left out: the block keeps its eight lines, and a
// reader that takes the next word as a key's value cannot take the next key instead.
QString quotedValue(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("\"\"") : AddQuotes(value);
}

bool fitsLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 256; });
}

QString* fieldForKey(DatHeader& header, const QByteArray& key)
{
    if (key == "name")
        return &header.name;
    if (key == "description")
        return &header.description;
    if (key == "version")
        return &header.version;
    if (key == "author")
        return &header.author;
    if (key == "category")
        return &header.category;
    if (key == "comment")
        return &header.comment;
    return nullptr;
}

// Reads the block's lines up to its ")" into the record; the keyword line has been read.
void readBlock(DatLineReader& reader, DatHeader& header)
{
    QByteArrayView line;
    while (reader.readLine(line)) {
        if (closesHeaderBlock(line))
            return;
        const QByteArray key = HeaderLineKey(line);
        if (QString* field = fieldForKey(header, key))
            *field = decodeValue(HeaderLineValue(line, key), header.encoding);
    }
}

void skipBlock(DatLineReader& reader)
{
    QByteArrayView line;
    while (reader.readLine(line))
        if (closesHeaderBlock(line))
            return;
}

// Writes one chunk of output; a failure names the file and says why.
using ChunkWriter = std::function<Outcome(QByteArrayView)>;

// Collects output lines and writes them in large chunks.
class BlockWriter {
public:
    explicit BlockWriter(const ChunkWriter& write) : write_(write) { pending_.reserve(Capacity + 4096); }

    Outcome writeLine(QByteArrayView line)
    {
        pending_.append(line.data(), line.size());
        pending_.append("\r\n", 2);
        return pending_.size() < Capacity ? Outcome::success() : flush();
    }

    Outcome flush()
    {
        Outcome written = write_(pending_);
        pending_.clear();
        return written;
    }

private:
    static constexpr qsizetype Capacity = 1 << 20;
    const ChunkWriter& write_;
    QByteArray pending_;
};

// Writes the lines of the DAT `reader` reads from `source`, leaving out every header block.
Outcome copyLinesWithoutHeader(DatLineReader& reader, const QString& source, const ChunkWriter& write,
                               const WorkControl& control)
{
    BlockWriter writer(write);
    QByteArrayView line;
    int linesCounted = 0;
    while (reader.readLine(line)) {
        if (++linesCounted % LinesBetweenProgress == 0) {
            control.reportProgress();
            if (control.stopRequested())
                return Outcome::failure(source + u": stopped before the end"_s);
        }
        if (opensHeaderBlock(line))
            skipBlock(reader);
        else if (Outcome written = writer.writeLine(line); !written)
            return written;
    }
    if (Outcome written = writer.flush(); !written)
        return written;
    if (reader.failed())
        return Outcome::failure(source + u": "_s + reader.errorString());
    return Outcome::success();
}

}  // namespace

QByteArray NormalizeHeaderLine(QByteArrayView line)
{
    QByteArray result = halvePairsOfBlanks(line);
    result.replace('\t', ' ');
    return trimmedBlanks(result).toLower();
}

QByteArray HeaderLineKey(QByteArrayView line)
{
    const QByteArray normalized = NormalizeHeaderLine(line);
    const qsizetype blank = normalized.indexOf(' ');
    return blank < 0 ? normalized : normalized.left(blank);
}

QByteArray HeaderLineValue(QByteArrayView line, QByteArrayView key)
{
    // The key is cut off before TABs are dropped: "name<TAB>MAME" must not lose the value's
    // first letter along with the separator.
    const QByteArrayView keyOnward = withoutLeadingSpace(line);
    const QByteArrayView afterKey = keyOnward.size() > key.size() ? keyOnward.sliced(key.size()) : QByteArrayView();
    QByteArray value = halvePairsOfBlanks(afterKey);
    value.replace("\t", "");
    return removeQuotes(trimmedBlanks(value));
}

Outcome WriteHeaderFile(const QString& path, const DatHeader& header)
{
    const std::array<std::pair<const char*, const QString*>, 6> lines{{
        {"name", &header.name},
        {"description", &header.description},
        {"category", &header.category},
        {"version", &header.version},
        {"author", &header.author},
        {"comment", &header.comment},
    }};
    const bool latin1 = header.encoding == HeaderEncoding::Latin1
        && std::all_of(lines.cbegin(), lines.cend(), [](const auto& l) { return fitsLatin1(*l.second); });

    QByteArray block = "clrmamepro (\r\n";
    for (const auto& [key, value] : lines) {
        const QString quoted = quotedValue(*value);
        block += '\t' + QByteArray(key) + ' ' + (latin1 ? quoted.toLatin1() : quoted.toUtf8()) + "\r\n";
    }
    block += ")\r\n";

    AtomicFile file(path);
    Outcome written = file.open();
    if (written)
        written = file.write(block);
    return written ? file.commit() : written;
}

std::optional<DatHeader> ReadDatHeader(const QString& path, bool searchWholeFile, DatHeader base)
{
    DatLineReader reader(path);
    QByteArrayView line;
    int linesRead = 0;
    while (reader.readLine(line)) {
        if (!searchWholeFile && ++linesRead > LastLineToSearch)
            return std::nullopt;
        if (opensHeaderBlock(line)) {
            readBlock(reader, base);
            return base;
        }
    }
    return std::nullopt;
}

std::optional<DatHeader> ReadDatHeader(const SettingsStore& store, const QString& path)
{
    return ReadDatHeader(path, store.readBool(keys::SearchWholeFile));
}

Outcome AppendDatWithoutHeader(const QString& destination, const QString& source, const WorkControl& control)
{
    DatLineReader reader(source);
    if (reader.failed())
        return Outcome::failure(source + u": "_s + reader.errorString());
    QFile output(destination);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return Outcome::failure(destination + u": "_s + output.errorString());
    const ChunkWriter appendChunk = [&output](QByteArrayView chunk) {
        if (output.write(chunk.data(), chunk.size()) == chunk.size())
            return Outcome::success();
        // The system's reason is taken at once, before anything else can change errno.
        const int error = errno;
        return Outcome::failure(output.fileName() + u": "_s + (error ? SystemReason(error) : output.errorString()));
    };
    if (Outcome copied = copyLinesWithoutHeader(reader, source, appendChunk, control); !copied)
        return copied;
    // Some file systems (network ones) report a failed write only when the file is closed.
    output.close();
    if (output.error() != QFileDevice::NoError)
        return Outcome::failure(destination + u": "_s + output.errorString());
    return Outcome::success();
}

Outcome ReplaceDatHeader(const QString& dat, const QString& headerFile, const WorkControl& control)
{
    DatLineReader reader(dat);
    if (reader.failed())
        return Outcome::failure(dat + u": "_s + reader.errorString());
    AtomicFile file(dat);
    Outcome written = file.open();
    if (written)
        written = file.append(headerFile);
    if (written)
        written = copyLinesWithoutHeader(
            reader, dat, [&file](QByteArrayView chunk) { return file.write(chunk); }, control);
    return written ? file.commit() : written;
}

}  // namespace quillon
