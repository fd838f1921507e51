#pragma once

#include "input_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace setdelta {

// Splits the ClrMamePro text format into words, quoted values and parentheses, reading the
// file in large blocks. Any line end (LF, CR LF, CR) counts as one line.
class TextTokenizer {
public:
    enum class Kind : std::uint8_t { Word, Quoted, Open, Close, End };

    struct Token {
        Kind kind = Kind::End;
        std::string_view text; // valid until the next call to next()
        std::uint64_t line = 0;
        bool spansLines = false; // a quoted value that runs across a line break
    };

    explicit TextTokenizer(InputFile& input);

    Token next();
    // Hands `token` out again at the next call to next(), its text copied.
    void putBack(const Token& token);

private:
    int peek();
    int take();
    bool refill();
    void skipBlanks();
    Token quoted(std::uint64_t startLine);
    Token word(std::uint64_t startLine);
    [[noreturn]] void fail(std::uint64_t line, const std::string& reason) const;
    void rejectControl(int c) const;
    void append(char c, std::uint64_t startLine);

    InputFile& input_;
    std::unique_ptr<char[]> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    std::uint64_t line_ = 1;
    std::size_t lineLength_ = 0;
    bool afterCr_ = false;
    std::string text_;
    bool putBack_ = false;
    Token putBackToken_;
    std::string putBackText_;
};

} // namespace setdelta
