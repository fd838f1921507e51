#pragma once

#include "parallel.h"

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace setdelta {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitUsage = 1,
    ExitInput = 2,
    ExitOutput = 3,
};

class OutputFile;
struct Options;

// Reports `message` on `err` and leaves a setdelta.log that `writeLog` fills with why the run
// failed, where one can be written; a JSON report already in place describes a comparison this
// run does not stand behind, so it goes. Returns `status`.
int reportFailure(ExitStatus status, const std::string& message, const Options& options, std::ostream& err,
                  const std::function<void(OutputFile&)>& writeLog);

// The whole setdelta run on the command line `arguments` (without the program name):
// reads both DATs, compares them and writes setdelta.dat and setdelta.log in the current
// folder, and the JSON report where --json asks for one. Progress goes to `out`, errors and
// warnings to `err`. The work (reading, comparing, writing) is shared with a second thread, started by
// `startWorker`.
int runSetdelta(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err,
                const ThreadStarter& startWorker = startThread);

} // namespace setdelta
