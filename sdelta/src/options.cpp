#include "options.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace setdelta {

const std::string_view usageText =
    "Usage: setdelta [-s|-m|-n] [-d1|-d2|-d3|-d4] [-o disk|-o sample] [-r] [-z] [-b]\n"
    "                [--old-entry NAME] [--new-entry NAME] [--json FILE]\n"
    "                [--progress | --progress-fd N] OLD NEW\n"
    "       setdelta --chain [-s|-m|-n] [-o disk|-o sample] [-z] [-b] [--json FILE]\n"
    "                [--entry NAME] DAT1 [--entry NAME] DAT2 ...\n"
    "       setdelta --help | --version\n"
    "\n"
    "Compares the DAT NEW with the DAT OLD and writes the differences to setdelta.dat and a\n"
    "report to setdelta.log in the current folder. Each DAT may be in the ClrMamePro text\n"
    "format, XML datafile or MAME -listxml, and may be gzipped or inside a zip archive.\n"
    "\n"
    "Set type:   -s split (default), -m merged, -n non-merged\n"
    "DAT type:   -d1 larger: new and changed sets whole\n"
    "            -d2 smaller (default): new sets whole, changed sets with their added objects\n"
    "            -d3 even smaller: as -d2, without objects whose content OLD already has\n"
    "            -d4 ROM archival: removed sets whole, changed sets with their removed objects\n"
    "Objects:    ROMs (default), -o disk, -o sample\n"
    "Include:    -r renames, -z nodump objects, -b BIOS objects in every set using the BIOS\n"
    "Archives:   --old-entry NAME, --new-entry NAME: the DAT inside a zip archive OLD or NEW\n"
    "            (needed only when the archive holds several DATs)\n"
    "Report:     --json FILE also writes the whole comparison to FILE as JSON\n"
    "Chain:      --chain DAT1 DAT2 ... (oldest first) compares each DAT with the next and\n"
    "            follows every set through the releases: the name it ends with, the release\n"
    "            that removed it, the release it first appeared in. Writes setdelta.log (and\n"
    "            FILE with --json), no setdelta.dat. --entry NAME: the DAT inside the zip\n"
    "            archive that follows it\n"
    "Progress:   --progress writes progress lines to standard error, --progress-fd N to the\n"
    "            open descriptor N: \"progress PHASE OLD_READ OLD_TOTAL NEW_READ NEW_TOTAL\",\n"
    "            PHASE reading, comparing or writing, sizes in bytes of the files\n"
    "\n"
    "Exit status: 0 success, 1 usage error, 2 an input cannot be read, 3 an output cannot be\n"
    "written.\n";

namespace {

ObjectKind objectKindFor(std::string_view value)
{
    if (value == "disk")
        return ObjectKind::Disk;
    if (value == "sample")
        return ObjectKind::Sample;
    throw UsageError("-o takes 'disk' or 'sample', not '" + std::string(value) + "'");
}

// Applies a switch; false when the argument is not one.
bool applySwitch(std::string_view argument, Options& options)
{
    if (argument == "-s")
        options.resolve.setType = SetType::Split;
    else if (argument == "-m")
        options.resolve.setType = SetType::Merged;
    else if (argument == "-n")
        options.resolve.setType = SetType::NonMerged;
    else if (argument == "-d1")
        options.level = DeltaLevel::Larger;
    else if (argument == "-d2")
        options.level = DeltaLevel::Smaller;
    else if (argument == "-d3")
        options.level = DeltaLevel::EvenSmaller;
    else if (argument == "-d4")
        options.level = DeltaLevel::RomArchival;
    else if (argument == "-r")
        options.withRenames = true;
    else if (argument == "-z")
        options.resolve.includeNodump = true;
    else if (argument == "-b")
        options.resolve.nonSeparatedBios = true;
    else
        return false;
    return true;
}

// The switches that take a value, as "--name VALUE" or "--name=VALUE", and what each needs.
struct ValuedSwitch {
    std::string_view name;
    std::string_view needs;
    std::string Options::*option;
};
constexpr ValuedSwitch valuedSwitches[] = {
    {"--json", "the name of the file to write the report to", &Options::jsonPath},
    {"--old-entry", "the name of an entry in the zip archive", &Options::oldEntry},
    {"--new-entry", "the name of an entry in the zip archive", &Options::newEntry},
};

// The entry of the DAT that follows it in a chain.
constexpr ValuedSwitch entrySwitch{"--entry", "the name of an entry in the zip archive that follows it", nullptr};

// Takes no string member: its value is a number.
constexpr ValuedSwitch progressFdSwitch{"--progress-fd", "the number of an open descriptor", nullptr};

bool namesSwitch(const ValuedSwitch& candidate, std::string_view argument)
{
    return argument == candidate.name
           || (argument.starts_with(candidate.name) && argument.substr(candidate.name.size()).starts_with('='));
}

const ValuedSwitch* valuedSwitch(std::string_view argument)
{
    for (const ValuedSwitch& candidate : valuedSwitches)
        if (namesSwitch(candidate, argument))
            return &candidate;
    return nullptr;
}

// The value of "--name=VALUE", or of "--name VALUE" (taking the next argument).
std::string switchValue(const ValuedSwitch& option, std::span<const std::string_view> arguments, std::size_t& i)
{
    const std::string_view argument = arguments[i];
    std::string_view value;
    if (argument.size() > option.name.size())
        value = argument.substr(option.name.size() + 1);
    else if (++i < arguments.size())
        value = arguments[i];
    if (value.empty())
        throw UsageError(std::string(option.name) + " needs " + std::string(option.needs));
    return std::string(value);
}

int descriptorNumber(std::string_view value)
{
    int number = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < 0)
        throw UsageError("--progress-fd takes the number of an open descriptor, not '" + std::string(value) + "'");
    return number;
}

std::string_view setTypeWords(SetType type)
{
    switch (type) {
    case SetType::Split: return "split sets (-s)";
    case SetType::Merged: return "merged sets (-m)";
    case SetType::NonMerged: return "non-merged sets (-n)";
    }
    return {};
}

std::string levelWords(DeltaLevel level, std::string_view objects)
{
    std::string what(objects);
    switch (level) {
    case DeltaLevel::Larger: return "larger DAT (-d1): new and changed sets with all their " + what;
    case DeltaLevel::Smaller: return "smaller DAT (-d2): new sets whole, changed sets with their added " + what;
    case DeltaLevel::EvenSmaller:
        return "even smaller DAT (-d3): as -d2, without " + what + " whose content the old DAT has";
    case DeltaLevel::RomArchival:
        return "ROM archival DAT (-d4): removed sets whole, changed sets with their removed " + what;
    }
    return {};
}

// The switches given, where a chain takes only some of them.
struct GivenSwitches {
    bool chain = false;        // --chain
    bool pairOnly = false;     // -d1 .. -d4, -r, --old-entry, --new-entry, --progress: a pair's switches
    std::string pairOnlyName;  // the first of those, for the message
};

void noteGiven(std::string_view argument, GivenSwitches& given)
{
    constexpr std::string_view pairSwitches[] = {"-d1", "-d2", "-d3", "-d4", "-r"};
    bool pairOnly = std::ranges::find(pairSwitches, argument) != std::end(pairSwitches) ||
                    argument.starts_with("--old-entry") || argument.starts_with("--new-entry") ||
                    argument.starts_with("--progress");
    if (pairOnly && !given.pairOnly) {
        given.pairOnly = true;
        given.pairOnlyName = std::string(argument.substr(0, argument.find('=')));
    }
}

// A chain writes no setdelta.dat and names each archive's entry beside it.
void checkChain(const GivenSwitches& given, std::vector<DatSource>& files, std::string_view pendingEntry,
                Options& options)
{
    if (given.pairOnly)
        throw UsageError(given.pairOnlyName + " does not apply to --chain" +
                         (given.pairOnlyName.starts_with("--progress") ? "" : ", which writes no setdelta.dat") +
                         (given.pairOnlyName.ends_with("-entry") ? "; put --entry NAME before the archive" : ""));
    if (!pendingEntry.empty())
        throw UsageError("--entry " + std::string(pendingEntry) + " needs a DAT after it");
    if (files.size() < 2)
        throw UsageError("--chain needs at least two DAT files, oldest first; got " + std::to_string(files.size()));
    options.chain = std::move(files);
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string_view> arguments)
{
    CommandLine result;
    std::vector<DatSource> files;
    std::string pendingEntry; // --entry NAME, for the DAT that comes next
    GivenSwitches given;
    bool switchesEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (argument == "--help")
            return {Request::Help, {}};
        if (argument == "--version")
            return {Request::Version, {}};
        if (switchesEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back({std::string(argument), std::exchange(pendingEntry, {})});
            continue;
        }
        noteGiven(argument, given);
        if (argument == "--") {
            switchesEnded = true;
        } else if (argument == "--chain") {
            given.chain = true;
        } else if (namesSwitch(entrySwitch, argument)) {
            pendingEntry = switchValue(entrySwitch, arguments, i);
        } else if (const ValuedSwitch* option = valuedSwitch(argument)) {
            result.options.*(option->option) = switchValue(*option, arguments, i);
        } else if (argument == "--progress") {
            result.options.progressTo = ProgressTo::ErrorOutput;
        } else if (namesSwitch(progressFdSwitch, argument)) {
            result.options.progressFd = descriptorNumber(switchValue(progressFdSwitch, arguments, i));
            result.options.progressTo = ProgressTo::Descriptor;
        } else if (argument.starts_with("-o")) {
            // "-o disk" may arrive as one argument or two.
            std::string_view value = argument.substr(2);
            while (value.starts_with(' '))
                value.remove_prefix(1);
            if (value.empty()) {
                if (++i == arguments.size())
                    throw UsageError("-o needs 'disk' or 'sample'");
                value = arguments[i];
            }
            result.options.kind = objectKindFor(value);
        } else if (!applySwitch(argument, result.options)) {
            throw UsageError("unknown switch '" + std::string(argument) + "'");
        }
    }
    if (given.chain) {
        checkChain(given, files, pendingEntry, result.options);
        return result;
    }
    if (!pendingEntry.empty() || std::any_of(files.begin(), files.end(), [](const DatSource& file) { return !file.entry.empty(); }))
        throw UsageError("--entry names a DAT of a --chain; for OLD and NEW use --old-entry and --new-entry");
    if (files.size() != 2)
        throw UsageError("expected two DAT files, OLD and NEW; got " + std::to_string(files.size()));
    result.options.oldPath = files[0].file;
    result.options.newPath = files[1].file;
    return result;
}

DatSource oldSource(const Options& options)
{
    return {options.oldPath, options.oldEntry};
}

DatSource newSource(const Options& options)
{
    return {options.newPath, options.newEntry};
}

namespace {

std::string objectWords(const Options& options)
{
    return "objects: " + std::string(kindName(options.kind, true)) + " (" +
           (options.kind == ObjectKind::Rom ? "default" : "-o " + std::string(kindName(options.kind))) + ")";
}

std::string resolveWords(const Options& options)
{
    std::string text = options.resolve.includeNodump ? "; nodump objects included (-z)" : "; nodump objects left out";
    text += options.resolve.nonSeparatedBios ? "; BIOS objects kept in every set using the BIOS (-b)"
                                             : "; BIOS objects only in BIOS sets";
    return text;
}

} // namespace

std::string describeOptions(const Options& options)
{
    std::string text = std::string(setTypeWords(options.resolve.setType)) + "; " +
                       levelWords(options.level, kindName(options.kind, true)) + "; " + objectWords(options);
    text += options.withRenames ? "; renames count as differences (-r)" : "; renames ignored";
    return text + resolveWords(options);
}

std::string describeChainOptions(const Options& options)
{
    return std::string(setTypeWords(options.resolve.setType)) + "; " + objectWords(options) + resolveWords(options);
}

} // namespace setdelta
