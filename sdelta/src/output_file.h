#pragma once

#include "file_descriptor.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace setdelta {

// An output that cannot be written.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes the process end cleanly on the signals that stop a run from outside: SIGINT, SIGTERM
// and SIGHUP remove every temporary file of an OutputFile not yet committed and end the
// process with status 128 + the signal. SIGXFSZ is ignored, so that a write beyond the file
// size limit fails with an error, and the run reports it, instead of killing the process.
void handleStopSignals();

// A file written through a temporary file in the same folder and renamed over the target by
// commit(), so a failed run never leaves a partial or stale-looking result behind. Where the
// file system allows, the temporary file has no name until commit(), so that not even a
// process killed with SIGKILL leaves it behind. Writes are gathered in a large buffer.
// Throws OutputError.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view text);
    void commit();

private:
    static constexpr std::size_t flushThreshold = std::size_t{1} << 20;

    void createNamed();
    void nameUnnamed();
    void flush();
    [[noreturn]] void fail(const std::string& action, int error);

    std::string path_;
    std::string temporaryPath_; // empty while the file has no name
    int registration_ = -1; // where a signal handler finds the temporary file
    FileDescriptor fd_;
    std::string buffer_;
};

} // namespace setdelta
