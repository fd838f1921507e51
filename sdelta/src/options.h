#pragma once

#include "dat_source.h"
#include "delta.h"
#include "resolve.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace setdelta {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where progress lines go: nowhere, to standard error (--progress) or to a descriptor (--progress-fd).
enum class ProgressTo : std::uint8_t { None, ErrorOutput, Descriptor };

struct Options {
    ResolveOptions resolve;
    ObjectKind kind = ObjectKind::Rom;
    DeltaLevel level = DeltaLevel::Smaller;
    bool withRenames = false; // -r
    std::string jsonPath;     // --json FILE; empty when no JSON report is asked for
    std::string oldPath;
    std::string newPath;
    std::string oldEntry; // --old-entry: the DAT inside a zip archive OLD
    std::string newEntry; // --new-entry
    // --chain: the DATs of a chain of releases, oldest first, each with its --entry; empty when
    // the run compares OLD and NEW.
    std::vector<DatSource> chain;
    ProgressTo progressTo = ProgressTo::None;
    int progressFd = -1; // with ProgressTo::Descriptor
};

enum class Request : std::uint8_t { Run, Help, Version };

struct CommandLine {
    Request request = Request::Run;
    Options options;
};

// setdelta [-s|-m|-n] [-d1|-d2|-d3|-d4] [-o disk|-o sample] [-r] [-z] [-b]
//          [--old-entry NAME] [--new-entry NAME] [--json FILE]
//          [--progress | --progress-fd N] OLD NEW
// setdelta --chain [-s|-m|-n] [-o disk|-o sample] [-z] [-b] [--json FILE] [--entry NAME] DAT1 ...
// The last switch of a group wins. Throws UsageError.
CommandLine parseCommandLine(std::span<const std::string_view> arguments);

// The inputs as the command line names them; a zip archive's entry is known once it is opened.
DatSource oldSource(const Options& options);
DatSource newSource(const Options& options);

// The options in words, for the report.
std::string describeOptions(const Options& options);
// Those of them that a chain takes.
std::string describeChainOptions(const Options& options);

extern const std::string_view usageText;

} // namespace setdelta
