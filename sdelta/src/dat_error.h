#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace setdelta {

// An input that cannot be read or parsed. The message names the file and, where there is
// one, the line: "file:line: reason".
class DatError : public std::runtime_error {
public:
    DatError(const std::string& file, std::uint64_t line, const std::string& reason)
        : std::runtime_error(compose(file, line, reason))
    {
    }

private:
    static std::string compose(const std::string& file, std::uint64_t line, const std::string& reason)
    {
        return line == 0 ? file + ": " + reason : file + ":" + std::to_string(line) + ": " + reason;
    }
};

// An input named wrongly on the command line rather than a bad input: a zip archive holding
// several DATs with none chosen, or an entry chosen in a file that is not an archive.
class EntryChoiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace setdelta
