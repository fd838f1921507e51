#include "text_tokenizer.h"

#include "dat_error.h"

#include <cstdio>

namespace setdelta {
namespace {

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool endsWord(int c)
{
    return c < 0 || isBlank(c) || c == '(' || c == ')';
}

// Bytes below 0x20 other than blanks mean the file is not text; stop at once rather than
// produce nonsense sets from binary data.
bool isControl(int c)
{
    return c >= 0 && c < 0x20 && !isBlank(c);
}

} // namespace

TextTokenizer::TextTokenizer(InputFile& input)
    : input_(input)
    , buffer_(std::make_unique_for_overwrite<char[]>(input.blockSize()))
{
}

bool TextTokenizer::refill()
{
    size_ = input_.read(buffer_.get(), input_.blockSize());
    position_ = 0;
    return size_ > 0;
}

int TextTokenizer::peek()
{
    if (position_ == size_ && !refill())
        return -1;
    return static_cast<unsigned char>(buffer_[position_]);
}

int TextTokenizer::take()
{
    int c = peek();
    if (c < 0)
        return c;
    ++position_;
    if (c == '\n') {
        if (!afterCr_)
            ++line_;
        lineLength_ = 0;
    } else if (c == '\r') {
        ++line_;
        lineLength_ = 0;
    } else if (++lineLength_ > InputFile::tokenLimit) {
        fail(line_, "the line is longer than " + std::string(InputFile::tokenLimitText) +
                        ", more than any DAT holds: not a DAT");
    }
    afterCr_ = c == '\r';
    return c;
}

void TextTokenizer::skipBlanks()
{
    while (isBlank(peek()))
        take();
}

void TextTokenizer::putBack(const Token& token)
{
    putBackText_.assign(token.text);
    putBackToken_ = token;
    putBackToken_.text = putBackText_;
    putBack_ = true;
}

TextTokenizer::Token TextTokenizer::next()
{
    if (putBack_) {
        putBack_ = false;
        return putBackToken_;
    }
    skipBlanks();
    std::uint64_t startLine = line_;
    int c = peek();
    if (c < 0)
        return {Kind::End, {}, startLine, false};
    if (c == '(' || c == ')') {
        take();
        return {c == '(' ? Kind::Open : Kind::Close, {}, startLine, false};
    }
    rejectControl(c);
    if (c == '"') {
        take();
        return quoted(startLine);
    }
    return word(startLine);
}

// A backslash escapes only a quote or another backslash, so DATs that use backslashes as
// path separators inside quoted names read unchanged.
TextTokenizer::Token TextTokenizer::quoted(std::uint64_t startLine)
{
    text_.clear();
    for (;;) {
        int c = take();
        if (c < 0)
            fail(startLine, "quoted value is not closed before the end of the file");
        if (c == '"')
            break;
        if (c == '\\' && (peek() == '"' || peek() == '\\'))
            c = take();
        else
            rejectControl(c);
        append(static_cast<char>(c), startLine);
    }
    return {Kind::Quoted, text_, startLine, line_ != startLine};
}

TextTokenizer::Token TextTokenizer::word(std::uint64_t startLine)
{
    text_.clear();
    for (int c = peek(); !endsWord(c); c = peek()) {
        rejectControl(c);
        append(static_cast<char>(take()), startLine);
    }
    return {Kind::Word, text_, startLine, false};
}

// A quoted value may run across lines, so its length is limited apart from the line's.
void TextTokenizer::append(char c, std::uint64_t startLine)
{
    if (text_.size() == InputFile::tokenLimit)
        fail(startLine, "a name or value is longer than " + std::string(InputFile::tokenLimitText) +
                            ", more than any DAT holds: not a DAT");
    text_.push_back(c);
}

void TextTokenizer::rejectControl(int c) const
{
    if (!isControl(c))
        return;
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(c));
    fail(line_, std::string("binary data (byte ") + code + "): not a text DAT");
}

void TextTokenizer::fail(std::uint64_t line, const std::string& reason) const
{
    throw DatError(input_.name(), line, reason);
}

} // namespace setdelta
