#include "xml_reader.h"

#include "dat_error.h"
#include "object_fields.h"

#include <cstring>
#include <exception>
#include <expat.h>
#include <memory>
#include <new>

namespace setdelta {
namespace {

// Depths of the elements the reader cares about: root, then sets, then set contents.
constexpr int rootDepth = 1;
constexpr int setDepth = 2;
constexpr int contentDepth = 3;

enum class Capture : std::uint8_t {
    None, Description, Year, Manufacturer, HeaderName, HeaderVersion, HeaderDescription
};

bool equals(const XML_Char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

std::string markupTooLong()
{
    return "a tag, attribute or other piece of markup is longer than " + std::string(InputFile::tokenLimitText) +
           ", more than any DAT holds: not a DAT";
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

class XmlReader {
public:
    XmlReader(InputFile& input, Dat& dat);
    void read();

private:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL onEnd(void* self, const XML_Char* name);
    static void XMLCALL onText(void* self, const XML_Char* text, int length);

    void startElement(const XML_Char* name, const XML_Char** attributes);
    void endElement();
    void startRoot(const XML_Char* name, const XML_Char** attributes);
    void startSet(const XML_Char** attributes);
    void startSetContent(const XML_Char* name, const XML_Char** attributes);
    void startHeaderContent(const XML_Char* name);
    void addObject(const XML_Char** attributes);
    const XML_Char** specifiedEnd(const XML_Char** attributes) const;
    void beginCapture(Capture target);
    void endCapture();
    void finishSet();
    void stop(const std::string& reason);
    template <typename Handler>
    static void guarded(void* self, Handler handler);
    [[noreturn]] void failParse();
    void checkUnfinishedToken() const;
    void appendText(const XML_Char* text, int length);

    InputFile& input_;
    Dat& dat_;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser_;
    int depth_ = 0;
    bool inSet_ = false;
    bool inHeader_ = false;
    Set set_;
    Capture capture_ = Capture::None;
    std::string text_;
    std::string error_;
    XML_Size errorLine_ = 0;
    std::exception_ptr exception_;
    std::uint64_t fed_ = 0;
};

XmlReader::XmlReader(InputFile& input, Dat& dat)
    : input_(input), dat_(dat), parser_(XML_ParserCreate(nullptr))
{
    if (!parser_)
        throw DatError(input_.name(), 0, "out of memory creating the XML parser");
    XML_SetUserData(parser_.get(), this);
    XML_SetElementHandler(parser_.get(), onStart, onEnd);
}

void XmlReader::read()
{
    for (;;) {
        void* buffer = XML_GetBuffer(parser_.get(), static_cast<int>(input_.blockSize()));
        if (!buffer)
            throw DatError(input_.name(), 0, "out of memory while parsing");
        std::size_t count = input_.read(static_cast<char*>(buffer), input_.blockSize());
        bool last = count == 0;
        if (XML_ParseBuffer(parser_.get(), static_cast<int>(count), last) != XML_STATUS_OK)
            failParse();
        if (last)
            return;
        fed_ += count;
        checkUnfinishedToken();
    }
}

// Expat keeps an unfinished token (a tag with its attributes, a comment) and scans it again
// with each block; where the parser stopped is where that token starts. A token that ends in
// the block after the one that took it past the limit is caught by the element handlers.
void XmlReader::checkUnfinishedToken() const
{
    XML_Parser parser = parser_.get();
    XML_Index start = XML_GetCurrentByteIndex(parser);
    if (start >= 0 && fed_ - static_cast<std::uint64_t>(start) > InputFile::tokenLimit)
        throw DatError(input_.name(), XML_GetCurrentLineNumber(parser), markupTooLong());
}

void XmlReader::failParse()
{
    if (exception_) {
        try {
            std::rethrow_exception(exception_);
        } catch (const std::bad_alloc&) {
            throw DatError(input_.name(), errorLine_, "out of memory while reading the DAT");
        }
    }
    if (!error_.empty())
        throw DatError(input_.name(), errorLine_, error_);
    XML_Parser parser = parser_.get();
    throw DatError(input_.name(), XML_GetCurrentLineNumber(parser),
                   std::string("XML error: ") + XML_ErrorString(XML_GetErrorCode(parser)));
}

void XmlReader::stop(const std::string& reason)
{
    if (!error_.empty())
        return;
    error_ = reason;
    errorLine_ = XML_GetCurrentLineNumber(parser_.get());
    XML_StopParser(parser_.get(), XML_FALSE);
}

// Expat is C: no exception may cross it. One thrown by a handler (out of memory, mostly) is kept,
// the parser stopped, and the exception raised again once expat has returned.
template <typename Handler>
void XmlReader::guarded(void* self, Handler handler)
{
    auto* reader = static_cast<XmlReader*>(self);
    try {
        handler(*reader);
    } catch (...) {
        reader->exception_ = std::current_exception();
        reader->errorLine_ = XML_GetCurrentLineNumber(reader->parser_.get());
        XML_StopParser(reader->parser_.get(), XML_FALSE);
    }
}

void XMLCALL XmlReader::onStart(void* self, const XML_Char* name, const XML_Char** attributes)
{
    guarded(self, [&](XmlReader& reader) { reader.startElement(name, attributes); });
}

void XMLCALL XmlReader::onEnd(void* self, const XML_Char*)
{
    guarded(self, [](XmlReader& reader) { reader.endElement(); });
}

void XMLCALL XmlReader::onText(void* self, const XML_Char* text, int length)
{
    guarded(self, [&](XmlReader& reader) { reader.appendText(text, length); });
}

void XmlReader::appendText(const XML_Char* text, int length)
{
    if (text_.size() + static_cast<std::size_t>(length) > InputFile::tokenLimit) {
        stop("a value is longer than " + std::string(InputFile::tokenLimitText) + ", more than any DAT holds: not a DAT");
        return;
    }
    text_.append(text, static_cast<std::size_t>(length));
}

// Faults found in the DAT stop the parser with a reason.
void XmlReader::startElement(const XML_Char* name, const XML_Char** attributes)
{
    ++depth_;
    if (static_cast<std::size_t>(XML_GetCurrentByteCount(parser_.get())) > InputFile::tokenLimit) {
        stop(markupTooLong());
        return;
    }
    if (depth_ == contentDepth && inSet_)
        startSetContent(name, attributes);
    else if (depth_ == setDepth && (equals(name, "game") || equals(name, "machine")))
        startSet(attributes);
    else if (depth_ == setDepth && equals(name, "header"))
        inHeader_ = true;
    else if (depth_ == contentDepth && inHeader_)
        startHeaderContent(name);
    else if (depth_ == rootDepth)
        startRoot(name, attributes);
}

void XmlReader::endElement()
{
    if (capture_ != Capture::None && depth_ == contentDepth)
        endCapture();
    if (depth_ == setDepth) {
        if (inSet_)
            finishSet();
        inHeader_ = false;
    }
    --depth_;
}

void XmlReader::startRoot(const XML_Char* name, const XML_Char** attributes)
{
    if (equals(name, "datafile")) {
        dat_.format = DatFormat::XmlDatafile;
        return;
    }
    if (!equals(name, "mame")) {
        stop(std::string("the root element <") + name + "> is neither <datafile> nor <mame>: not a DAT");
        return;
    }
    dat_.format = DatFormat::MameListXml;
    for (const XML_Char** attribute = attributes; *attribute; attribute += 2)
        if (equals(attribute[0], "build"))
            dat_.header.build = attribute[1];
}

// Old listxml files mark a BIOS set only with runnable="no"; newer ones say isbios="yes"
// and use runnable="no" for devices as well, which carry isdevice="yes".
void XmlReader::startSet(const XML_Char** attributes)
{
    set_ = Set{};
    set_.firstObject = static_cast<std::uint32_t>(dat_.objects.size());
    bool notRunnable = false;
    StringArena& strings = dat_.strings;
    for (const XML_Char** attribute = attributes; attribute != specifiedEnd(attributes); attribute += 2) {
        const XML_Char* key = attribute[0];
        const XML_Char* value = attribute[1];
        if (equals(key, "name"))
            set_.name = strings.store(value);
        else if (equals(key, "cloneof"))
            set_.cloneOf = strings.store(value);
        else if (equals(key, "romof"))
            set_.romOf = strings.store(value);
        else if (equals(key, "isbios"))
            set_.isBios = isYes(value);
        else if (equals(key, "isdevice"))
            set_.isDevice = isYes(value);
        else if (equals(key, "runnable"))
            notRunnable = equals(value, "no");
    }
    set_.isBios = set_.isBios || (notRunnable && !set_.isDevice);
    if (set_.name.empty())
        stop("set without a name");
    inSet_ = true;
}

void XmlReader::startSetContent(const XML_Char* name, const XML_Char** attributes)
{
    switch (name[0]) {
    case 'r':
        if (dat_.kind == ObjectKind::Rom && equals(name, "rom"))
            addObject(attributes);
        break;
    case 'd':
        if (dat_.kind == ObjectKind::Disk && equals(name, "disk"))
            addObject(attributes);
        else if (equals(name, "description"))
            beginCapture(Capture::Description);
        break;
    case 's':
        if (dat_.kind == ObjectKind::Sample && equals(name, "sample"))
            addObject(attributes);
        break;
    case 'y':
        if (equals(name, "year"))
            beginCapture(Capture::Year);
        break;
    case 'm':
        if (equals(name, "manufacturer"))
            beginCapture(Capture::Manufacturer);
        break;
    default:
        break;
    }
}

void XmlReader::startHeaderContent(const XML_Char* name)
{
    if (equals(name, "name"))
        beginCapture(Capture::HeaderName);
    else if (equals(name, "version"))
        beginCapture(Capture::HeaderVersion);
    else if (equals(name, "description"))
        beginCapture(Capture::HeaderDescription);
}

// Attributes past the specified ones are defaults from the internal DTD (status="good" and
// the like on every rom of a listxml file): they say nothing, so they are not even looked at.
const XML_Char** XmlReader::specifiedEnd(const XML_Char** attributes) const
{
    return attributes + XML_GetSpecifiedAttributeCount(parser_.get());
}

void XmlReader::addObject(const XML_Char** attributes)
{
    Object object;
    for (const XML_Char** attribute = attributes; attribute != specifiedEnd(attributes); attribute += 2) {
        ObjectField field = objectFieldFor(attribute[0]);
        if (!setObjectField(object, field, attribute[1], dat_.strings)) {
            stop(std::string("invalid ") + attribute[0] + " value '" + attribute[1] + "'");
            return;
        }
    }
    if (object.name.empty()) {
        stop("object without a name");
        return;
    }
    dat_.objects.push_back(object);
}

// Text is collected only inside the few elements that are kept; with no handler set, expat
// passes over all other character data without a call.
void XmlReader::beginCapture(Capture target)
{
    capture_ = target;
    text_.clear();
    XML_SetCharacterDataHandler(parser_.get(), onText);
}

void XmlReader::endCapture()
{
    XML_SetCharacterDataHandler(parser_.get(), nullptr);
    StringArena& strings = dat_.strings;
    switch (capture_) {
    case Capture::Description: set_.description = strings.store(text_); break;
    case Capture::Year: set_.year = strings.store(text_); break;
    case Capture::Manufacturer: set_.manufacturer = strings.store(text_); break;
    case Capture::HeaderName: dat_.header.name = text_; break;
    case Capture::HeaderVersion: dat_.header.version = text_; break;
    case Capture::HeaderDescription: dat_.header.description = text_; break;
    case Capture::None: break;
    }
    capture_ = Capture::None;
}

void XmlReader::finishSet()
{
    set_.objectCount = static_cast<std::uint32_t>(dat_.objects.size() - set_.firstObject);
    dat_.sets.push_back(set_);
    inSet_ = false;
}

} // namespace

void readXmlDat(InputFile& input, Dat& dat)
{
    XmlReader(input, dat).read();
}

} // namespace setdelta
