#include "text_reader.h"

#include "dat_error.h"
#include "object_fields.h"
#include "text_tokenizer.h"

namespace setdelta {
namespace {

using Kind = TextTokenizer::Kind;
using Token = TextTokenizer::Token;

enum class SetField : std::uint8_t {
    Name, Description, Year, Manufacturer, CloneOf, RomOf, Sample, IsBios, IsDevice, Rom, Disk, Ignored
};

SetField setFieldFor(std::string_view key)
{
    static constexpr std::pair<std::string_view, SetField> fields[] = {
        {"name", SetField::Name},          {"description", SetField::Description},
        {"year", SetField::Year},          {"manufacturer", SetField::Manufacturer},
        {"cloneof", SetField::CloneOf},    {"romof", SetField::RomOf},
        {"sample", SetField::Sample},      {"isbios", SetField::IsBios},
        {"isdevice", SetField::IsDevice},  {"rom", SetField::Rom},
        {"disk", SetField::Disk},
    };
    for (const auto& [name, field] : fields)
        if (name == key)
            return field;
    return SetField::Ignored;
}

std::string quoteForMessage(std::string_view text)
{
    constexpr std::size_t shown = 40;
    std::string quoted(1, '\'');
    for (char c : text.substr(0, shown)) {
        if (c == '\n')
            quoted.append("\\n");
        else if (c != '\r')
            quoted.push_back(c);
    }
    quoted.append(text.size() > shown ? "...'" : "'");
    return quoted;
}

class TextReader {
public:
    TextReader(InputFile& input, Dat& dat)
        : input_(input), dat_(dat), tokens_(input)
    {
    }

    void read();

private:
    void readTopLevelBlock(const Token& name);
    void readHeader(std::uint64_t openLine);
    void readSet(std::uint64_t openLine, bool isBios);
    void applySetValue(Set& set, SetField field, const Token& value);
    void readObject(std::uint64_t openLine);
    void addSample(std::string_view name);
    void skipBlock(std::uint64_t openLine);
    Token nextInBlock(std::uint64_t openLine, std::string_view blockName);
    Token valueOf(const Token& token);
    bool valueIsMissing(std::string_view key, std::uint64_t keyLine, const Token& value);
    [[noreturn]] void fail(std::uint64_t line, const std::string& reason) const;

    InputFile& input_;
    Dat& dat_;
    TextTokenizer tokens_;
};

void TextReader::read()
{
    for (Token token = tokens_.next(); token.kind != Kind::End; token = tokens_.next())
        readTopLevelBlock(token);
}

void TextReader::readTopLevelBlock(const Token& name)
{
    if (name.kind != Kind::Word)
        fail(name.line, "expected the name of a block such as 'game', found " +
                            (name.kind == Kind::Quoted ? quoteForMessage(name.text) : std::string("a parenthesis")));
    std::string blockName(name.text);
    Token open = tokens_.next();
    if (open.kind != Kind::Open)
        fail(open.line, "expected '(' after " + quoteForMessage(blockName));
    if (blockName == "clrmamepro")
        readHeader(open.line);
    else if (blockName == "game" || blockName == "machine")
        readSet(open.line, false);
    else if (blockName == "resource")
        readSet(open.line, true);
    else
        skipBlock(open.line);
}

TextTokenizer::Token TextReader::nextInBlock(std::uint64_t openLine, std::string_view blockName)
{
    Token token = tokens_.next();
    if (token.kind == Kind::End)
        fail(token.line, "the file ends inside " + std::string(blockName) + " opened at line " +
                             std::to_string(openLine) + " (unbalanced parentheses)");
    return token;
}

// Hands back a value token, noting a quoted value that ran across a line break: some DATs
// carry such broken quoting, and reading on keeps the reader in step with the file.
TextTokenizer::Token TextReader::valueOf(const Token& token)
{
    if (token.spansLines)
        dat_.warn(WarningKind::QuotedLineBreak, input_.name() + ":" + std::to_string(token.line) +
                                                    ": quoted value runs across a line break: " +
                                                    quoteForMessage(token.text));
    return token;
}

// Each key of a block starts a line with its value after it; a key that ends its line has no
// value, and the word on the next line is the next key, not this one's value. Values that
// open a block may start on the next line, and a quoted value that runs across line breaks
// still starts on its key's line. The token after a key without a value is read again.
bool TextReader::valueIsMissing(std::string_view key, std::uint64_t keyLine, const Token& value)
{
    bool onNextLine = value.line != keyLine && (value.kind == Kind::Word || value.kind == Kind::Quoted);
    if (!onNextLine && value.kind != Kind::Close)
        return false;
    dat_.warn(WarningKind::KeyWithoutValue, input_.name() + ":" + std::to_string(keyLine) + ": " +
                                                quoteForMessage(key) + " has no value; it is ignored");
    tokens_.putBack(value);
    return true;
}

void TextReader::readHeader(std::uint64_t openLine)
{
    for (;;) {
        Token key = nextInBlock(openLine, "the 'clrmamepro' block");
        if (key.kind == Kind::Close)
            return;
        if (key.kind == Kind::Open) {
            skipBlock(key.line);
            continue;
        }
        std::string name(key.text);
        Token value = nextInBlock(openLine, "the 'clrmamepro' block");
        if (valueIsMissing(name, key.line, value))
            continue;
        if (value.kind == Kind::Open) {
            skipBlock(value.line);
            continue;
        }
        valueOf(value);
        if (name == "name")
            dat_.header.name = value.text;
        else if (name == "version")
            dat_.header.version = value.text;
        else if (name == "description")
            dat_.header.description = value.text;
    }
}

void TextReader::readSet(std::uint64_t openLine, bool isBios)
{
    Set set;
    set.isBios = isBios;
    set.firstObject = static_cast<std::uint32_t>(dat_.objects.size());
    for (;;) {
        Token key = nextInBlock(openLine, "the 'game' block");
        if (key.kind == Kind::Close)
            break;
        if (key.kind == Kind::Open) {
            skipBlock(key.line);
            continue;
        }
        SetField field = setFieldFor(key.text);
        std::string name(key.text);
        Token value = nextInBlock(openLine, "the 'game' block");
        if (valueIsMissing(name, key.line, value))
            continue;
        if (value.kind == Kind::Open) {
            bool wanted = (field == SetField::Rom && dat_.kind == ObjectKind::Rom) ||
                          (field == SetField::Disk && dat_.kind == ObjectKind::Disk);
            if (wanted)
                readObject(value.line);
            else
                skipBlock(value.line);
            continue;
        }
        applySetValue(set, field, valueOf(value));
    }
    if (set.name.empty())
        fail(openLine, "set without a name");
    set.objectCount = static_cast<std::uint32_t>(dat_.objects.size() - set.firstObject);
    dat_.sets.push_back(set);
}

void TextReader::applySetValue(Set& set, SetField field, const Token& value)
{
    StringArena& strings = dat_.strings;
    switch (field) {
    case SetField::Name: set.name = strings.store(value.text); break;
    case SetField::Description: set.description = strings.store(value.text); break;
    case SetField::Year: set.year = strings.store(value.text); break;
    case SetField::Manufacturer: set.manufacturer = strings.store(value.text); break;
    case SetField::CloneOf: set.cloneOf = strings.store(value.text); break;
    case SetField::RomOf: set.romOf = strings.store(value.text); break;
    case SetField::IsBios: set.isBios = set.isBios || isYes(value.text); break;
    case SetField::IsDevice: set.isDevice = isYes(value.text); break;
    case SetField::Sample:
        if (dat_.kind == ObjectKind::Sample)
            addSample(value.text);
        break;
    case SetField::Rom:
    case SetField::Disk:
    case SetField::Ignored: break;
    }
}

void TextReader::addSample(std::string_view name)
{
    Object sample;
    sample.name = dat_.strings.store(name);
    dat_.objects.push_back(sample);
}

// Fields come in key/value pairs; a key left without a value before ')' can only be a bare
// status word such as `nodump`.
void TextReader::readObject(std::uint64_t openLine)
{
    Object object;
    for (;;) {
        Token key = nextInBlock(openLine, "an object block");
        if (key.kind == Kind::Close)
            break;
        if (key.kind == Kind::Open) {
            skipBlock(key.line);
            continue;
        }
        ObjectField field = objectFieldFor(key.text);
        std::string keyText(key.text);
        Token value = nextInBlock(openLine, "an object block");
        if (value.kind == Kind::Close) {
            setObjectField(object, ObjectField::Flags, keyText, dat_.strings);
            break;
        }
        if (value.kind == Kind::Open) {
            skipBlock(value.line);
            continue;
        }
        if (!setObjectField(object, field, valueOf(value).text, dat_.strings))
            fail(value.line, "invalid " + keyText + " value " + quoteForMessage(value.text));
    }
    if (object.name.empty())
        fail(openLine, "object without a name");
    dat_.objects.push_back(object);
}

void TextReader::skipBlock(std::uint64_t openLine)
{
    for (int depth = 1; depth > 0;) {
        Token token = nextInBlock(openLine, "a nested block");
        if (token.kind == Kind::Open)
            ++depth;
        else if (token.kind == Kind::Close)
            --depth;
    }
}

void TextReader::fail(std::uint64_t line, const std::string& reason) const
{
    throw DatError(input_.name(), line, reason);
}

} // namespace

void readTextDat(InputFile& input, Dat& dat)
{
    dat.format = DatFormat::ClrMamePro;
    TextReader(input, dat).read();
}

} // namespace setdelta
