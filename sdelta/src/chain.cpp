#include "chain.h"

#include "compare.h"
#include "dat_error.h"
#include "dat_loader.h"
#include "json_report.h"
#include "program.h"
#include "report_writer.h"
#include "version.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>
#include <unistd.h>

namespace setdelta {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* datFileName = "setdelta.dat";
constexpr const char* logFileName = "setdelta.log";
constexpr int chainReportVersion = 1;

// One DAT of the chain, read and resolved; the resolved sets point into the DAT.
struct Release {
    Dat dat;
    ResolvedDat resolved;
};

std::unique_ptr<Release> loadRelease(const DatSource& source, const Options& options)
{
    auto release = std::make_unique<Release>();
    try {
        release->dat = loadDat(source.file, options.kind, source.entry);
    } catch (const EntryChoiceError& error) {
        const std::string hint = source.entry.empty() ? "; choose one with --entry NAME before " + source.file
                                                      : "; leave out --entry " + source.entry;
        throw EntryChoiceError(std::string(error.what()) + hint);
    }
    release->resolved = resolve(release->dat, options.resolve);
    return release;
}

ChainRelease describeRelease(const Release& release)
{
    return {release.dat.source, describeInput(release.dat, release.resolved), inputJson(release.dat).dump(),
            release.dat.warnings};
}

// Carries every set's lineage from one release to the next.
class ChainFollower {
public:
    explicit ChainFollower(ChainResult& result) : result_(result) {}

    void start(const ResolvedDat& first)
    {
        lineageOfSet_.clear();
        for (const ResolvedSet& set : first.sets)
            lineageOfSet_.push_back(newLineage(*set.set, 0));
    }

    // A set of `newer` continues the set of `older` of its name or the set that moved to it;
    // any other is a lineage of its own. `older` is the release `step` follows.
    void step(const ResolvedDat& older, const ResolvedDat& newer, const Comparison& comparison, std::size_t step)
    {
        const std::size_t release = step + 1;
        std::vector<std::size_t> following(newer.sets.size(), none);
        std::vector<bool> movedAway(older.sets.size(), false);
        for (const Move& move : comparison.movedSets) {
            std::size_t lineage = lineageOfSet_[move.change.oldSet];
            following[move.change.newSet] = lineage;
            movedAway[move.change.oldSet] = true;
            result_.lineages[lineage].names.push_back({std::string(newer.sets[move.change.newSet].set->name), release});
        }
        for (std::size_t set : comparison.removedSets)
            if (!movedAway[set])
                end(lineageOfSet_[set], *older.sets[set].set, step);
        for (std::size_t set = 0; set < newer.sets.size(); ++set) {
            if (following[set] != none)
                continue;
            std::ptrdiff_t same = older.find(newer.sets[set].set->name);
            following[set] = same >= 0 ? lineageOfSet_[static_cast<std::size_t>(same)]
                                       : newLineage(*newer.sets[set].set, release);
        }
        lineageOfSet_ = std::move(following);
        result_.steps.push_back({comparison.newSets.size(), comparison.removedSets.size(),
                                 comparison.changedSets.size(), comparison.movedSets.size()});
    }

    void finish(const ResolvedDat& newest, std::size_t release)
    {
        for (std::size_t set = 0; set < newest.sets.size(); ++set) {
            Lineage& lineage = result_.lineages[lineageOfSet_[set]];
            end(lineageOfSet_[set], *newest.sets[set].set, release);
            lineage.reachesEnd = true;
        }
    }

private:
    static constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

    std::size_t newLineage(const Set& set, std::size_t release)
    {
        Lineage lineage;
        lineage.names.push_back({std::string(set.name), release});
        lineage.firstDescription = set.description;
        result_.lineages.push_back(std::move(lineage));
        return result_.lineages.size() - 1;
    }

    void end(std::size_t index, const Set& set, std::size_t lastRelease)
    {
        Lineage& lineage = result_.lineages[index];
        lineage.lastRelease = lastRelease;
        lineage.lastDescription = set.description;
    }

    ChainResult& result_;
    std::vector<std::size_t> lineageOfSet_; // per set of the newest release read, its lineage
};

// The words of one release in the report: its number and file.
std::string releaseWords(const ChainResult& chain, std::size_t release)
{
    return "release " + std::to_string(release + 1) + " (" + chain.releases[release].source.label() + ")";
}

std::string inQuotes(std::string_view description)
{
    return description.empty() ? std::string() : "  \"" + std::string(description) + "\"";
}

// The oldest release's sets by where they end, and the lengths of the three lists.
struct ChainCounts {
    std::size_t followed = 0;     // sets of the oldest release
    std::size_t kept = 0;         // of those, in the newest release under the same name
    std::size_t movedFirst = 0;   // of those, in the newest release under another name
    std::size_t removedFirst = 0; // of those, not in the newest release
    std::size_t moved = 0;        // lineages in the newest release under another name than they first had
    std::size_t removed = 0;      // lineages the newest release does not have
    std::size_t added = 0;        // sets of the newest release that the oldest has under no name
};

ChainCounts countLineages(const ChainResult& chain)
{
    ChainCounts counts;
    for (const Lineage& lineage : chain.lineages) {
        bool oldest = lineage.firstRelease() == 0;
        counts.followed += oldest;
        counts.kept += oldest && lineage.reachesEnd && !lineage.moved();
        counts.movedFirst += oldest && lineage.moved();
        counts.removedFirst += oldest && !lineage.reachesEnd;
        counts.moved += lineage.moved();
        counts.removed += !lineage.reachesEnd;
        counts.added += lineage.reachesEnd && !oldest;
    }
    return counts;
}

std::string padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

void writeStepTable(OutputFile& output, const ChainResult& chain)
{
    constexpr std::size_t width = 9;
    output.write("Steps (moved sets are counted among the new and the removed sets too)\n");
    output.write("  " + std::string("step").append(width - 4, ' ') + padded("new", width) + padded("removed", width) +
                 padded("moved", width) + padded("changed", width) + "\n");
    for (std::size_t step = 0; step < chain.steps.size(); ++step) {
        const ChainStep& counts = chain.steps[step];
        std::string label = std::to_string(step + 1) + " -> " + std::to_string(step + 2);
        label.resize(std::max(label.size(), width), ' ');
        output.write("  " + label + padded(std::to_string(counts.newSets), width) +
                     padded(std::to_string(counts.removedSets), width) + padded(std::to_string(counts.movedSets), width) +
                     padded(std::to_string(counts.changedSets), width) + "\n");
    }
    output.write("\n");
}

void writeSummary(OutputFile& output, const ChainResult& chain)
{
    ChainCounts counts = countLineages(chain);
    std::string last = "release " + std::to_string(chain.releases.size());
    output.write("Summary\n");
    output.write("  sets of release 1: " + std::to_string(counts.followed) + " (" + std::to_string(counts.kept) + " in " +
                 last + " under the same name, " + std::to_string(counts.movedFirst) + " under another, " +
                 std::to_string(counts.removedFirst) + " removed)\n");
    output.write("  moved sets:        " + std::to_string(counts.moved) + " (in " + last +
                 " under another name than they first had)\n");
    output.write("  removed sets:      " + std::to_string(counts.removed) + " (in some release, not in " + last + ")\n");
    output.write("  new sets:          " + std::to_string(counts.added) + " (in " + last +
                 ", not in release 1 under any name)\n\n");
}

// "a -> c  (via b from release 2)": a set under the name it first had and the name it ends with.
void writeMoves(OutputFile& output, const ChainResult& chain)
{
    output.write("Moved sets (first name -> name in release " + std::to_string(chain.releases.size()) + ")\n");
    for (const Lineage& lineage : chain.lineages) {
        if (!lineage.moved())
            continue;
        std::string line = "  " + lineage.firstName() + " -> " + lineage.lastName() + inQuotes(lineage.lastDescription);
        line += "  (";
        if (lineage.firstRelease() != 0)
            line += "new in release " + std::to_string(lineage.firstRelease() + 1) + "; ";
        for (std::size_t i = 1; i < lineage.names.size(); ++i)
            line += (i > 1 ? ", " : "") + lineage.names[i].name + " from release " +
                    std::to_string(lineage.names[i].since + 1);
        output.write(line + ")\n");
    }
    output.write("\n");
}

void writeRemoved(OutputFile& output, const ChainResult& chain)
{
    output.write("Removed sets (first name, and the last release that has them)\n");
    for (const Lineage& lineage : chain.lineages) {
        if (lineage.reachesEnd)
            continue;
        std::string line = "  " + lineage.firstName() + inQuotes(lineage.firstDescription) + "  (";
        if (lineage.firstRelease() != 0)
            line += "new in release " + std::to_string(lineage.firstRelease() + 1) + ", ";
        if (lineage.lastName() != lineage.firstName())
            line += "last as " + lineage.lastName() + ", ";
        output.write(line + "last in release " + std::to_string(lineage.lastRelease + 1) + ")\n");
    }
    output.write("\n");
}

void writeNew(OutputFile& output, const ChainResult& chain)
{
    output.write("New sets (in release " + std::to_string(chain.releases.size()) +
                 ", and the release in which they first appear)\n");
    for (const Lineage& lineage : chain.lineages) {
        if (!lineage.reachesEnd || lineage.firstRelease() == 0)
            continue;
        std::string line = "  " + lineage.lastName() + inQuotes(lineage.lastDescription) + "  (first in release " +
                           std::to_string(lineage.firstRelease() + 1);
        if (lineage.moved())
            line += " as " + lineage.firstName();
        output.write(line + ")\n");
    }
}

Json nameJson(const std::string& name, const std::string& description)
{
    return Json{{"name", utf8Text(name)}, {"description", utf8Text(description)}};
}

Json movedJson(const Lineage& lineage)
{
    Json json;
    json["old"] = nameJson(lineage.firstName(), lineage.firstDescription);
    json["old"]["release"] = lineage.firstRelease();
    json["new"] = nameJson(lineage.lastName(), lineage.lastDescription);
    Json names = Json::array();
    for (const ChainName& name : lineage.names)
        names.push_back(Json{{"name", utf8Text(name.name)}, {"release", name.since}});
    json["names"] = std::move(names);
    return json;
}

Json removedJson(const Lineage& lineage)
{
    Json json = nameJson(lineage.firstName(), lineage.firstDescription);
    if (lineage.lastName() != lineage.firstName())
        json["last_name"] = utf8Text(lineage.lastName());
    json["first_release"] = lineage.firstRelease();
    json["last_release"] = lineage.lastRelease;
    json["removed_in"] = lineage.lastRelease + 1;
    return json;
}

Json newJson(const Lineage& lineage)
{
    Json json = nameJson(lineage.lastName(), lineage.lastDescription);
    json["first_release"] = lineage.firstRelease();
    if (lineage.moved())
        json["first_name"] = utf8Text(lineage.firstName());
    return json;
}

Json chainOptionsJson(const Options& options)
{
    Json json = optionsJson(options);
    json.erase("delta");
    json.erase("renames");
    return json;
}

Json stepsJson(const ChainResult& chain)
{
    Json steps = Json::array();
    for (std::size_t step = 0; step < chain.steps.size(); ++step) {
        const ChainStep& counts = chain.steps[step];
        steps.push_back(Json{{"from", step},
                             {"to", step + 1},
                             {"new_sets", counts.newSets},
                             {"removed_sets", counts.removedSets},
                             {"changed_sets", counts.changedSets},
                             {"moved_sets", counts.movedSets}});
    }
    return steps;
}

Json summaryJson(const ChainResult& chain)
{
    ChainCounts counts = countLineages(chain);
    return Json{{"followed_sets", counts.followed}, {"kept_sets", counts.kept}, {"moved_sets", counts.moved},
                {"removed_sets", counts.removed}, {"new_sets", counts.added}};
}

// A set a line in each list, so that line tools can work on the report too.
void writeList(OutputFile& output, std::string_view key, const ChainResult& chain, bool (*member)(const Lineage&),
               Json (*describe)(const Lineage&))
{
    output.write(",\"" + std::string(key) + "\":[");
    bool first = true;
    for (const Lineage& lineage : chain.lineages) {
        if (!member(lineage))
            continue;
        output.write((first ? "\n" : ",\n") + describe(lineage).dump());
        first = false;
    }
    output.write(first ? "]" : "\n]");
}

// The chain's log of a failed run names the releases and says why.
int fail(ExitStatus status, const std::string& message, const Options& options, std::ostream& err)
{
    return reportFailure(status, message, options, err, [&](OutputFile& log) {
        log.write("setdelta " + std::string(version) + " chain report\n\n");
        for (std::size_t release = 0; release < options.chain.size(); ++release)
            log.write("Release " + std::to_string(release + 1) + ": " + options.chain[release].label() + "\n");
        log.write("Options: " + describeChainOptions(options) + "\n\nFailed: " + message + "\n");
    });
}

void removeIfThere(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != EISDIR)
        throw OutputError("cannot remove the earlier " + path + ": " + std::strerror(errno));
}

// A setdelta.dat of an earlier run would read as this run's result beside the chain's log, and
// an earlier JSON report as its report: both go before anything is read. A setdelta.dat that is
// one of the chain's DATs stays.
void removeEarlierResult(const Options& options)
{
    std::error_code error;
    bool datIsInput = std::any_of(options.chain.begin(), options.chain.end(), [&](const DatSource& release) {
        return std::filesystem::equivalent(datFileName, release.file, error);
    });
    if (!datIsInput)
        removeIfThere(datFileName);
    if (!options.jsonPath.empty())
        removeIfThere(options.jsonPath);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printStep(std::ostream& out, std::size_t step, const ChainStep& counts)
{
    out << "Step " << step + 1 << ": release " << step + 1 << " -> " << step + 2 << ": " << counts.newSets << " new, " << counts.removedSets << " removed (" << counts.movedSets
        << " moved), " << counts.changedSets << " changed\n"
        << std::flush;
}

} // namespace

ChainResult followChain(const Options& options, const ThreadStarter& start,
                        const std::function<void(std::size_t, const ChainStep&)>& progress)
{
    const std::vector<DatSource>& inputs = options.chain;
    ChainResult result;
    ChainFollower follower(result);
    std::unique_ptr<Release> older;
    std::unique_ptr<Release> newer;
    // The first two are read at once, one per thread; after that each step reads one DAT while
    // the one before it is kept, so that no more than two are held.
    runBoth([&] { older = loadRelease(inputs[0], options); }, [&] { newer = loadRelease(inputs[1], options); },
            start);
    result.releases.push_back(describeRelease(*older));
    follower.start(older->resolved);
    for (std::size_t step = 0;; ++step) {
        result.releases.push_back(describeRelease(*newer));
        follower.step(older->resolved, newer->resolved, compare(older->resolved, newer->resolved, false, start), step);
        if (progress)
            progress(step, result.steps.back());
        if (step + 2 == inputs.size())
            break;
        older = std::move(newer);
        newer = loadRelease(inputs[step + 2], options);
    }
    follower.finish(newer->resolved, inputs.size() - 1);
    return result;
}

void writeChainReport(OutputFile& output, const Options& options, const ChainResult& chain)
{
    output.write("setdelta " + std::string(version) + " chain report\n\n");
    for (std::size_t release = 0; release < chain.releases.size(); ++release)
        output.write("Release " + std::to_string(release + 1) + ": " + chain.releases[release].description + "\n");
    output.write("Options: " + describeChainOptions(options) + "\n");
    for (std::size_t release = 0; release < chain.releases.size(); ++release)
        for (const std::string& warning : chain.releases[release].warnings)
            output.write("Warning: " + releaseWords(chain, release) + ": " + warning + "\n");
    output.write("\n");
    writeStepTable(output, chain);
    writeSummary(output, chain);
    writeMoves(output, chain);
    writeRemoved(output, chain);
    writeNew(output, chain);
}

void writeChainJson(OutputFile& output, const Options& options, const ChainResult& chain)
{
    Json head;
    head["format"] = "setdelta-chain-report";
    head["version"] = chainReportVersion;
    head["setdelta_version"] = version;
    head["options"] = chainOptionsJson(options);
    Json releases = Json::array();
    for (const ChainRelease& release : chain.releases)
        releases.push_back(Json::parse(release.inputJson));
    head["releases"] = std::move(releases);
    head["steps"] = stepsJson(chain);
    head["summary"] = summaryJson(chain);
    // The lists follow as the object's last members: its closing brace comes after them.
    std::string text = head.dump();
    text.pop_back();
    output.write(text);
    writeList(output, "moved_sets", chain, [](const Lineage& lineage) { return lineage.moved(); }, movedJson);
    writeList(output, "removed_sets", chain, [](const Lineage& lineage) { return !lineage.reachesEnd; }, removedJson);
    writeList(output, "new_sets", chain,
              [](const Lineage& lineage) { return lineage.reachesEnd && lineage.firstRelease() != 0; }, newJson);
    output.write("}\n");
}

int runChain(const Options& options, std::ostream& out, std::ostream& err, const ThreadStarter& start)
{
    auto begin = std::chrono::steady_clock::now();
    out << "setdelta " << version << ": following a chain of " << options.chain.size() << " releases\n";
    for (std::size_t release = 0; release < options.chain.size(); ++release)
        out << "  " << release + 1 << ' ' << options.chain[release].label() << '\n';
    out << "  " << describeChainOptions(options) << '\n' << std::flush;
    try {
        removeEarlierResult(options);
    } catch (const OutputError& error) {
        return fail(ExitOutput, error.what(), options, err);
    }
    ChainResult chain;
    try {
        chain = followChain(options, start, [&](std::size_t step, const ChainStep& counts) { printStep(out, step, counts); });
    } catch (const DatError& error) {
        return fail(ExitInput, error.what(), options, err);
    } catch (const EntryChoiceError& error) {
        return fail(ExitUsage, error.what(), options, err);
    } catch (const std::bad_alloc&) {
        return fail(ExitInput, "out of memory reading the DATs", options, err);
    }
    for (std::size_t release = 0; release < chain.releases.size(); ++release)
        for (const std::string& warning : chain.releases[release].warnings)
            err << "setdelta: warning: " << releaseWords(chain, release) << ": " << warning << '\n';
    try {
        OutputFile log(logFileName);
        writeChainReport(log, options, chain);
        std::optional<OutputFile> json;
        if (!options.jsonPath.empty()) {
            json.emplace(options.jsonPath);
            writeChainJson(*json, options, chain);
            json->commit();
        }
        // The log goes last: it is what says that the chain was followed to its end.
        log.commit();
    } catch (const OutputError& error) {
        return fail(ExitOutput, error.what(), options, err);
    } catch (const std::bad_alloc&) {
        return fail(ExitOutput, "out of memory writing the chain report", options, err);
    }
    ChainCounts counts = countLineages(chain);
    out << "Sets of release 1: " << counts.followed << " (" << counts.kept << " kept, " << counts.movedFirst
        << " moved, " << counts.removedFirst << " removed); moved sets: " << counts.moved
        << ", removed sets: " << counts.removed << ", new sets: " << counts.added << "\nWrote setdelta.log" << (options.jsonPath.empty() ? "" : " and " + options.jsonPath)
        << "\nDone in " << std::fixed << std::setprecision(2) << secondsSince(begin) << " s\n";
    return ExitSuccess;
}

} // namespace setdelta
