#include "xmlheader.h"

#include "atomicfile.h"

#include <QFile>

#include <expat.h>

#include <algorithm>
#include <array>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 BlockSize = 1 << 20;

// A header's children in the order the datafile DTD gives them; new elements go where it says.
constexpr std::array<const char*, 12> ChildOrder{
    "name", "description", "category", "version", "date", "author",
    "email", "homepage", "url", "comment", "clrmamepro", "romcenter"};

struct EditedField {
    const char* element;
    QString DatHeader::*value;
};

constexpr std::array<EditedField, 6> EditedFields{{
    {"name", &DatHeader::name},
    {"description", &DatHeader::description},
    {"category", &DatHeader::category},
    {"version", &DatHeader::version},
    {"author", &DatHeader::author},
    {"comment", &DatHeader::comment},
}};

qsizetype childRank(const QByteArray& name)
{
    const auto found = std::find_if(ChildOrder.cbegin(), ChildOrder.cend(),
                                    [&name](const char* element) { return name == element; });
    return found - ChildOrder.cbegin();  // unknown elements rank after every known one
}

// The last child that the datafile DTD puts before `name`: a new element of that name follows it.
const XmlHeaderChild* lastChildBefore(const XmlHeaderLayout& layout, const QByteArray& name)
{
    const XmlHeaderChild* anchor = nullptr;
    for (const XmlHeaderChild& child : layout.children)
        if (childRank(child.name) < childRank(name))
            anchor = &child;
    return anchor;
}

const XmlHeaderChild* firstChildNamed(const XmlHeaderLayout& layout, const QByteArray& name)
{
    for (const XmlHeaderChild& child : layout.children)
        if (child.name == name)
            return &child;
    return nullptr;
}

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool allXmlSpace(QByteArrayView bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), isXmlSpace);
}

// The system's reason for a failed file operation; a read that merely came up short has none.
QString failureReason(const QFileDevice& file)
{
    return file.error() == QFileDevice::NoError ? QStringLiteral("the file ended sooner than expected")
                                                : file.errorString();
}

Outcome readFailure(const QFile& file)
{
    return Outcome::failure(file.fileName() + u": "_s + failureReason(file));
}

// Follows the parser's events up to the end of the header, noting where its parts lie.
class HeaderScanner {
public:
    explicit HeaderScanner(XmlHeaderLayout& layout) : layout_(layout), parser_(XML_ParserCreate(nullptr))
    {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, onStart, onEnd);
        XML_SetCharacterDataHandler(parser_, onText);
        XML_SetXmlDeclHandler(parser_, onDeclaration);
    }
    ~HeaderScanner() { XML_ParserFree(parser_); }
    HeaderScanner(const HeaderScanner&) = delete;
    HeaderScanner& operator=(const HeaderScanner&) = delete;

    Outcome scan(QFile& file)
    {
        for (;;) {
            void* buffer = XML_GetBuffer(parser_, BlockSize);
            if (!buffer)
                return Outcome::failure(QStringLiteral("out of memory"));
            const qint64 got = file.read(static_cast<char*>(buffer), BlockSize);
            if (got < 0)
                return Outcome::failure(failureReason(file));
            const XML_Status status = XML_ParseBuffer(parser_, static_cast<int>(got), got == 0);
            if (done_)
                return checkedEncoding();
            if (status != XML_STATUS_OK)
                return Outcome::failure(parseError());
            if (got == 0)
                return checkedEncoding();
        }
    }

private:
    static HeaderScanner& self(void* data) { return *static_cast<HeaderScanner*>(data); }

    static void XMLCALL onDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int)
    {
        if (encoding)
            self(data).declaredEncoding_ = QByteArray(encoding).toLower();
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char**)
    {
        self(data).started(name);
    }

    static void XMLCALL onEnd(void* data, const XML_Char*) { self(data).ended(); }

    static void XMLCALL onText(void* data, const XML_Char* text, int length)
    {
        HeaderScanner& scanner = self(data);
        if (scanner.depth_ == 3)
            scanner.text_.append(text, length);
    }

    qint64 position() const { return XML_GetCurrentByteIndex(parser_); }
    qint64 tokenLength() const { return XML_GetCurrentByteCount(parser_); }

    void stop()
    {
        done_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }

    void started(const QByteArray& name)
    {
        const int depth = depth_++;
        if (depth == 0) {
            layout_.root = name;
            if (!layout_.isDatafile())
                stop();
        } else if (depth == 1) {
            // The header, when there is one, is the first element of a datafile.
            if (name != "header")
                return stop();
            layout_.hasHeader = true;
            layout_.headerStart = position();
            layout_.contentStart = position() + tokenLength();
        } else if (depth == 2) {
            XmlHeaderChild child;
            child.name = name;
            child.start = position();
            child.contentStart = position() + tokenLength();
            layout_.children.append(child);
            text_.clear();
        }
    }

    // An empty-element tag ends without a token of its own.
    void ended()
    {
        const int depth = --depth_;
        const bool emptyElementTag = tokenLength() == 0;
        if (depth == 2) {
            XmlHeaderChild& child = layout_.children.last();
            child.selfClosing = emptyElementTag;
            child.contentEnd = emptyElementTag ? child.contentStart : position();
            child.end = emptyElementTag ? child.contentStart : position() + tokenLength();
            child.text = QString::fromUtf8(text_);
        } else if (depth == 1) {
            layout_.headerSelfClosing = emptyElementTag;
            layout_.headerEnd = emptyElementTag ? layout_.contentStart : position() + tokenLength();
            stop();
        }
    }

    QString parseError() const
    {
        return QStringLiteral("%1 (line %2)")
            .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser_))))
            .arg(XML_GetCurrentLineNumber(parser_));
    }

    Outcome checkedEncoding()
    {
        const QByteArray& declared = declaredEncoding_;
        if (declared.isEmpty() || declared == "utf-8" || declared == "utf8")
            layout_.encoding = XmlTextEncoding::Utf8;
        else if (declared == "iso-8859-1" || declared == "latin1")
            layout_.encoding = XmlTextEncoding::Latin1;
        else if (declared == "us-ascii" || declared == "ascii")
            layout_.encoding = XmlTextEncoding::Ascii;
        else
            return Outcome::failure(QStringLiteral("its encoding (%1) is not supported").arg(QString::fromLatin1(declared)));
        return Outcome::success();
    }

    XmlHeaderLayout& layout_;
    XML_Parser parser_;
    QByteArray declaredEncoding_;
    QByteArray text_;
    int depth_ = 0;
    bool done_ = false;
};

// UTF-16 text starts with its byte-order mark or, without one, with "<" as two bytes.
bool startsAsUtf16(QFile& file)
{
    const QByteArray start = file.peek(2);
    return start == "\xFF\xFE" || start == "\xFE\xFF" || start == QByteArray("<\0", 2) || start == QByteArray("\0<", 2);
}

// The first line end of the file, so that added elements use the same.
QByteArray lineEndOf(QFile& file)
{
    const QByteArray head = file.read(64 * 1024);
    const qsizetype lineFeed = head.indexOf('\n');
    if (lineFeed > 0 && head[lineFeed - 1] == '\r')
        return "\r\n";
    if (lineFeed < 0 && head.contains('\r'))
        return "\r";
    return "\n";
}

// The bytes between the header's start tag and its first child, reused in front of added
// elements; a line end and two TABs when there is nothing to copy.
QByteArray childSeparator(const QByteArray& oldBytes, const XmlHeaderLayout& layout)
{
    if (!layout.children.isEmpty()) {
        const QByteArray before = oldBytes.mid(layout.contentStart - layout.headerStart,
                                               layout.children.first().start - layout.contentStart);
        if (!before.isEmpty() && allXmlSpace(before))
            return before;
    }
    return layout.lineEnd + "\t\t";
}

QByteArray element(const char* name, const QByteArray& content)
{
    return '<' + QByteArray(name) + '>' + content + "</" + QByteArray(name) + '>';
}

// A splice of the header's bytes: `length` bytes at `offset` give way to `bytes`.
struct Splice {
    qint64 offset;
    qint64 length;
    QByteArray bytes;
};

QByteArray applySplices(const QByteArray& oldBytes, std::vector<Splice> splices)
{
    std::stable_sort(splices.begin(), splices.end(),
                     [](const Splice& a, const Splice& b) { return a.offset < b.offset; });
    QByteArray result;
    qint64 cursor = 0;
    for (const Splice& splice : splices) {
        result += oldBytes.mid(cursor, splice.offset - cursor);
        result += splice.bytes;
        cursor = splice.offset + splice.length;
    }
    result += oldBytes.mid(cursor);
    return result;
}

// A header without children is written anew around the values that are not empty.
QByteArray headerFromScratch(const XmlHeaderLayout& layout, const DatHeader& edited)
{
    QByteArray result = "<header>";
    bool any = false;
    for (const EditedField& field : EditedFields) {
        const QString& value = edited.*field.value;
        if (value.isEmpty())
            continue;
        result += layout.lineEnd + "\t\t" + element(field.element, EscapeXmlText(value, layout.encoding));
        any = true;
    }
    return any ? result + layout.lineEnd + "\t</header>" : QByteArray();
}

// Copies the source's bytes from `from` up to `to`; a failure names the file it concerns.
Outcome copyRange(QFile& source, qint64 from, qint64 to, AtomicFile& destination, const WorkControl& control)
{
    if (!source.seek(from))
        return readFailure(source);
    for (qint64 left = to - from; left > 0;) {
        const QByteArray block = source.read(std::min(left, BlockSize));
        if (block.isEmpty())
            return readFailure(source);
        if (Outcome written = destination.write(block); !written)
            return written;
        left -= block.size();
        control.reportProgress();
        if (control.stopRequested())
            return Outcome::failure(source.fileName() + u": stopped before the end"_s);
    }
    return Outcome::success();
}

Outcome copyToEnd(QFile& source, qint64 from, AtomicFile& destination, const WorkControl& control)
{
    Outcome copied = copyRange(source, from, source.size(), destination, control);
    if (copied && !source.atEnd())
        return Outcome::failure(source.fileName() + u": the file changed while it was read"_s);
    return copied;
}

}  // namespace

bool LooksLikeXml(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(4096);
    QByteArrayView head = start;
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return true;  // UTF-16
    const auto first = std::find_if_not(head.cbegin(), head.cend(), isXmlSpace);
    return first != head.cend() && *first == '<';
}

Result<XmlHeaderLayout> ScanXmlHeader(const QString& path)
{
    using Scanned = Result<XmlHeaderLayout>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Scanned::failure(failureReason(file));
    if (startsAsUtf16(file))
        return Scanned::failure(QStringLiteral("its encoding (UTF-16) is not supported"));
    XmlHeaderLayout layout;
    layout.lineEnd = lineEndOf(file);
    if (!file.seek(0))
        return Scanned::failure(failureReason(file));
    HeaderScanner scanner(layout);
    if (const Outcome scanned = scanner.scan(file); !scanned)
        return Scanned::failure(scanned.reason());
    return layout;
}

DatHeader XmlHeaderValues(const XmlHeaderLayout& layout)
{
    DatHeader header;
    for (const EditedField& field : EditedFields)
        if (const XmlHeaderChild* child = firstChildNamed(layout, field.element))
            header.*field.value = child->text;
    return header;
}

QByteArray EscapeXmlText(const QString& text, XmlTextEncoding encoding)
{
    const char32_t limit = encoding == XmlTextEncoding::Utf8 ? 0x10FFFF : encoding == XmlTextEncoding::Latin1 ? 0xFF : 0x7F;
    QByteArray result;
    for (const char32_t c : text.toUcs4()) {
        // XML 1.0 cannot hold other control characters, lone surrogates or U+FFFE and U+FFFF.
        const bool representable = c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0xD800)
            || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (!representable)
            continue;
        if (c == '&')
            result += "&amp;";
        else if (c == '<')
            result += "&lt;";
        else if (c == '>')
            result += "&gt;";
        else if (c == '\r')
            result += "&#13;";  // a raw CR would be read back as a line feed
        else if (c > limit)
            result += "&#" + QByteArray::number(quint32(c)) + ';';
        else if (encoding == XmlTextEncoding::Utf8)
            result += QString::fromUcs4(&c, 1).toUtf8();
        else
            result += char(c);
    }
    return result;
}

QByteArray RebuildXmlHeader(const QByteArray& oldBytes, const XmlHeaderLayout& layout, const DatHeader& edited)
{
    if (layout.children.isEmpty()) {
        const QByteArray rebuilt = headerFromScratch(layout, edited);
        return rebuilt.isEmpty() ? oldBytes : rebuilt;
    }
    const DatHeader old = XmlHeaderValues(layout);
    const QByteArray separator = childSeparator(oldBytes, layout);
    const qint64 base = layout.headerStart;
    std::vector<Splice> splices;
    for (const EditedField& field : EditedFields) {
        const QString& value = edited.*field.value;
        if (value == old.*field.value)
            continue;
        const QByteArray escaped = EscapeXmlText(value, layout.encoding);
        if (const XmlHeaderChild* child = firstChildNamed(layout, field.element)) {
            if (child->selfClosing)  // "<author/>": its "/>" opens the content instead
                splices.push_back({child->end - 2 - base, 2, '>' + escaped + "</" + child->name + '>'});
            else
                splices.push_back({child->contentStart - base, child->contentEnd - child->contentStart, escaped});
        } else if (const XmlHeaderChild* anchor = lastChildBefore(layout, field.element)) {
            splices.push_back({anchor->end - base, 0, separator + element(field.element, escaped)});
        } else {
            splices.push_back({layout.children.first().start - base, 0, element(field.element, escaped) + separator});
        }
    }
    return applySplices(oldBytes, std::move(splices));
}

Outcome RewriteXmlHeader(const QString& path, const XmlHeaderLayout& shown, const DatHeader& edited,
                         const WorkControl& control)
{
    // The user edited the header as it was when shown; the file may have been rewritten since, so
    // the edit goes where the header lies now, and only onto the header the user saw.
    const Result<XmlHeaderLayout> scanned = ScanXmlHeader(path);
    if (!scanned)
        return Outcome::failure(path + u": "_s + scanned.reason());
    const XmlHeaderLayout& layout = *scanned;
    if (!layout.hasHeader || XmlHeaderValues(layout) != XmlHeaderValues(shown))
        return Outcome::failure(path + u": the header changed while it was edited"_s);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly) || !source.seek(layout.headerStart))
        return readFailure(source);
    const QByteArray oldBytes = source.read(layout.headerEnd - layout.headerStart);
    if (oldBytes.size() != layout.headerEnd - layout.headerStart)
        return Outcome::failure(path + u": the file changed while it was read"_s);
    const QByteArray newBytes = RebuildXmlHeader(oldBytes, layout, edited);
    if (newBytes == oldBytes)
        return Outcome::success();

    AtomicFile destination(path);
    Outcome written = destination.open();
    if (written)
        written = copyRange(source, 0, layout.headerStart, destination, control);
    if (written)
        written = destination.write(newBytes);
    if (written)
        written = copyToEnd(source, layout.headerEnd, destination, control);
    return written ? destination.commit() : written;
}

}  // namespace quillon
