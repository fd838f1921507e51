#include "program.h"

#include "chain.h"
#include "compare.h"
#include "dat_error.h"
#include "dat_loader.h"
#include "dat_writer.h"
#include "delta.h"
#include "json_report.h"
#include "options.h"
#include "progress.h"
#include "report_writer.h"
#include "version.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>
#include <unistd.h>

namespace setdelta {
namespace {

constexpr const char* datFileName = "setdelta.dat";
constexpr const char* logFileName = "setdelta.log";

// One input, read and resolved. Kept in place because the resolved sets point into the DAT.
struct Side {
    Dat dat;
    ResolvedDat resolved;
};

// Which input a side is, for messages that tell the user what to change.
struct SideInput {
    const std::string& path;
    const std::string& entry;
    std::string_view entrySwitch;
    InputProgress& progress;
};

std::unique_ptr<Side> loadSide(const SideInput& input, const Options& options)
{
    auto side = std::make_unique<Side>();
    try {
        side->dat = loadDat(input.path, options.kind, input.entry, &input.progress);
    } catch (const EntryChoiceError& error) {
        const std::string hint = input.entry.empty() ? "; choose one with " + std::string(input.entrySwitch) + " NAME"
                                                     : "; leave out " + std::string(input.entrySwitch);
        throw EntryChoiceError(std::string(error.what()) + hint);
    }
    side->resolved = resolve(side->dat, options.resolve);
    return side;
}

SideInput oldInput(const Options& options, ProgressReporter& progress)
{
    return {options.oldPath, options.oldEntry, "--old-entry", progress.oldInput()};
}

SideInput newInput(const Options& options, ProgressReporter& progress)
{
    return {options.newPath, options.newEntry, "--new-entry", progress.newInput()};
}

// Both DATs are read at once, one per thread (reading is most of a run's time), or one after
// the other where no thread can be started.
std::pair<std::unique_ptr<Side>, std::unique_ptr<Side>> loadBoth(const Options& options, ProgressReporter& progress,
                                                                  const ThreadStarter& start)
{
    std::unique_ptr<Side> oldSide;
    std::unique_ptr<Side> newSide;
    progress.enter(Phase::Reading);
    runBoth([&] { oldSide = loadSide(oldInput(options, progress), options); },
            [&] { newSide = loadSide(newInput(options, progress), options); }, start);
    return {std::move(oldSide), std::move(newSide)};
}

void writeDelta(const std::vector<DeltaSet>& delta, const Options& options, OutputFile& output)
{
    DatWriter writer(output, options.kind, options.resolve.setType != SetType::Merged);
    for (const DeltaSet& set : delta)
        writer.writeSet(*set.set, set.objects);
}

void printWarnings(const Dat& dat, std::ostream& err)
{
    for (const std::string& warning : dat.warnings)
        err << "setdelta: warning: " << warning << '\n';
}

void printSummary(const RunSummary& summary, const Options& options, std::ostream& out)
{
    std::string_view objects = kindName(options.kind, true);
    out << "New sets: " << summary.newSets << ", removed sets: " << summary.removedSets
        << ", changed sets: " << summary.changedSets << " (" << summary.addedObjects << " added, "
        << summary.removedObjects << " removed, " << summary.renamedObjects << " renamed " << objects << ")\n"
        << "Wrote setdelta.dat (" << summary.writtenSets << " sets, " << summary.writtenObjects << ' ' << objects
        << ")" << (options.jsonPath.empty() ? " and " : ", ") << "setdelta.log";
    if (!options.jsonPath.empty())
        out << " and " << options.jsonPath;
    out << '\n';
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    // Files yet to be written are compared by the path they would have.
    std::filesystem::path canonicalA = std::filesystem::weakly_canonical(std::filesystem::absolute(a), error);
    if (error)
        return false;
    std::filesystem::path canonicalB = std::filesystem::weakly_canonical(std::filesystem::absolute(b), error);
    return !error && canonicalA == canonicalB;
}

bool isAnyOf(const std::string& path, const std::vector<std::string>& others)
{
    return std::any_of(others.begin(), others.end(), [&path](const std::string& other) { return sameFile(path, other); });
}

// The report must not take the place of an input or of the run's other outputs: the input
// would be lost, or a failed run would delete it as a stale result.
void checkJsonPath(const Options& options)
{
    if (options.jsonPath.empty())
        return;
    std::vector<std::string> others{datFileName, logFileName};
    for (const DatSource& input : options.chain.empty() ? std::vector<DatSource>{oldSource(options), newSource(options)}
                                                         : options.chain)
        others.push_back(input.file);
    for (const std::string& other : others)
        if (sameFile(options.jsonPath, other))
            throw UsageError("--json " + options.jsonPath + " names the same file as " + other +
                             "; the report needs a file of its own");
}

int fail(ExitStatus status, const std::string& message, const Options& options, std::ostream& err)
{
    return reportFailure(status, message, options, err,
                         [&](OutputFile& log) { writeFailureReport(log, options, message); });
}

// The setdelta.log, setdelta.dat and JSON report of an earlier run go before anything is read, so
// that however this run ends (an error, a signal, no memory left, a log that cannot be written),
// no caller takes the old files for its own. The log goes first: a result gone means its log is.
// An earlier result given as an input (the last result compared with a new DAT) is read, not
// removed; the run's own result replaces it at the end.
void removeEarlierResult(const Options& options)
{
    for (const std::string& result : {std::string(logFileName), std::string(datFileName), options.jsonPath}) {
        if (result.empty() || isAnyOf(result, {options.oldPath, options.newPath}))
            continue;
        if (::unlink(result.c_str()) != 0 && errno != ENOENT && errno != EISDIR)
            throw OutputError("cannot remove the earlier " + result + ": " + std::strerror(errno));
    }
}

// A run refused for its arguments reads nothing, but it must not leave an earlier run's result
// and log looking like its own. What its arguments name may be an input and stays, as does
// whatever cannot go.
void removeEarlierRunQuietly(const std::vector<std::string>& arguments)
{
    for (const char* output : {datFileName, logFileName})
        if (!isAnyOf(output, arguments))
            ::unlink(output);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int compareAndWrite(const Side& oldSide, const Side& newSide, const Options& options, std::ostream& out,
                    std::chrono::steady_clock::time_point start, ProgressReporter& progress,
                    const ThreadStarter& startWorker)
{
    progress.enter(Phase::Comparing);
    Comparison comparison = compare(oldSide.resolved, newSide.resolved, options.withRenames, startWorker);
    std::vector<DeltaSet> delta = selectDelta(oldSide.resolved, newSide.resolved, comparison, options.level);
    RunSummary summary = summarize(oldSide.resolved, newSide.resolved, comparison, delta);
    double jsonSeconds = 0;
    progress.enter(Phase::Writing);
    {
        OutputFile dat(datFileName);
        OutputFile log(logFileName);
        // A large result makes a large log: the two are written at once, one per thread.
        runBoth([&] { writeDelta(delta, options, dat); },
                [&] { writeReport(log, options, oldSide.resolved, newSide.resolved, comparison, summary); },
                startWorker);
        std::optional<OutputFile> json;
        if (!options.jsonPath.empty()) {
            auto jsonStart = std::chrono::steady_clock::now();
            json.emplace(options.jsonPath);
            writeJsonReport(*json, options, oldSide.resolved, newSide.resolved, comparison, summary);
            jsonSeconds = secondsSince(jsonStart);
        }
        // The log and the report go first: setdelta.dat appearing is what marks a finished run.
        log.commit();
        if (json)
            json->commit();
        dat.commit();
    }
    printSummary(summary, options, out);
    if (!options.jsonPath.empty())
        out << std::setprecision(3) << "JSON report written in " << jsonSeconds << " s\n" << std::setprecision(2);
    out << "Done in " << secondsSince(start) << " s\n";
    return ExitSuccess;
}

ProgressReporter::LineWriter progressWriter(const Options& options, std::ostream& err)
{
    switch (options.progressTo) {
    case ProgressTo::None: return {};
    case ProgressTo::ErrorOutput: return streamLineWriter(err);
    case ProgressTo::Descriptor: return descriptorLineWriter(options.progressFd);
    }
    return {};
}

// Progress lines need a descriptor that can be written.
void checkProgressDescriptor(const Options& options)
{
    if (options.progressTo != ProgressTo::Descriptor)
        return;
    if (const std::string problem = descriptorProblem(options.progressFd); !problem.empty())
        throw UsageError("--progress-fd " + std::to_string(options.progressFd) + ": " + problem);
}

int run(const Options& options, std::ostream& out, std::ostream& err, const ThreadStarter& startWorker)
{
    auto start = std::chrono::steady_clock::now();
    ProgressReporter progress(progressWriter(options, err));
    out << "setdelta " << version << ": comparing\n  old " << oldSource(options).label() << "\n  new "
        << newSource(options).label()
        << "\n  " << describeOptions(options) << '\n'
        << std::flush;

    try {
        removeEarlierResult(options);
    } catch (const OutputError& error) {
        return fail(ExitOutput, error.what(), options, err);
    }
    std::unique_ptr<Side> oldSide;
    std::unique_ptr<Side> newSide;
    try {
        std::tie(oldSide, newSide) = loadBoth(options, progress, startWorker);
    } catch (const DatError& error) {
        return fail(ExitInput, error.what(), options, err);
    } catch (const EntryChoiceError& error) {
        removeEarlierRunQuietly({options.oldPath, options.newPath});
        err << "setdelta: " << error.what() << '\n';
        return ExitUsage;
    } catch (const std::bad_alloc&) {
        return fail(ExitInput, "out of memory reading the DATs", options, err);
    }
    printWarnings(oldSide->dat, err);
    printWarnings(newSide->dat, err);
    out << std::fixed << std::setprecision(2) << "Read in " << secondsSince(start) << " s\n  old "
        << describeInput(oldSide->dat, oldSide->resolved) << "\n  new "
        << describeInput(newSide->dat, newSide->resolved) << '\n'
        << std::flush;

    try {
        return compareAndWrite(*oldSide, *newSide, options, out, start, progress, startWorker);
    } catch (const OutputError& error) {
        return fail(ExitOutput, error.what(), options, err);
    } catch (const std::bad_alloc&) {
        return fail(ExitOutput, "out of memory comparing the DATs and writing the result", options, err);
    }
}

} // namespace

int reportFailure(ExitStatus status, const std::string& message, const Options& options, std::ostream& err,
                  const std::function<void(OutputFile&)>& writeLog)
{
    err << "setdelta: error: " << message << '\n';
    if (!options.jsonPath.empty())
        ::unlink(options.jsonPath.c_str());
    try {
        OutputFile log(logFileName);
        writeLog(log);
        log.commit();
    } catch (const OutputError&) {
        // The first error is the one worth reporting; a log that cannot be written adds nothing.
    } catch (const std::bad_alloc&) {
        // Out of memory already reported; the log would only say it again.
    }
    return status;
}

int runSetdelta(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err,
                const ThreadStarter& startWorker)
{
    CommandLine commandLine;
    try {
        commandLine = parseCommandLine(arguments);
        checkJsonPath(commandLine.options);
        checkProgressDescriptor(commandLine.options);
    } catch (const UsageError& error) {
        removeEarlierRunQuietly({arguments.begin(), arguments.end()});
        err << "setdelta: " << error.what() << "\n\n" << usageText;
        return ExitUsage;
    }
    switch (commandLine.request) {
    case Request::Help:
        out << usageText;
        return ExitSuccess;
    case Request::Version:
        out << "setdelta " << version << '\n';
        return ExitSuccess;
    case Request::Run:
        break;
    }
    if (!commandLine.options.chain.empty())
        return runChain(commandLine.options, out, err, startWorker);
    return run(commandLine.options, out, err, startWorker);
}

} // namespace setdelta
