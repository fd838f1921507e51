#pragma once

#include "options.h"
#include "output_file.h"
#include "parallel.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace setdelta {

// One release of a chain, as it was read; kept once its DAT is let go.
struct ChainRelease {
    DatSource source;
    std::string description;  // the input as setdelta.log describes it
    std::string inputJson;    // the input as the JSON report describes it, serialized
    std::vector<std::string> warnings;
};

// What changed from one release to the next, counted as a comparison of the two counts it.
struct ChainStep {
    std::size_t newSets = 0;     // moved sets included
    std::size_t removedSets = 0; // moved sets included
    std::size_t changedSets = 0;
    std::size_t movedSets = 0;
};

// A name a set took, and the release (index into the chain) from which it had it.
struct ChainName {
    std::string name;
    std::size_t since = 0;
};

// One set followed through the chain, from the release in which it first appears until it is
// removed or the chain ends. A move carries a set to its new name; a set removed and a later set
// of the same name are two lineages.
struct Lineage {
    std::vector<ChainName> names;   // in the order it took them; the first from its first release
    std::string firstDescription;   // as its first release describes it
    std::string lastDescription;    // as its last release describes it
    std::size_t lastRelease = 0;    // the last release that has it
    bool reachesEnd = false;        // the newest release has it

    std::size_t firstRelease() const { return names.front().since; }
    const std::string& firstName() const { return names.front().name; }
    const std::string& lastName() const { return names.back().name; }
    // In the newest release under another name than the one it first had.
    bool moved() const { return reachesEnd && firstName() != lastName(); }
};

struct ChainResult {
    std::vector<ChainRelease> releases;
    std::vector<ChainStep> steps;   // steps[i]: releases[i] to releases[i + 1]
    std::vector<Lineage> lineages;  // the oldest release's sets in its order, then each release's new sets
};

// Reads the chain's DATs oldest first, each compared with the one before it, so that no more
// than two are held at any time; `progress` is called after each step with its index and counts.
// Throws DatError, EntryChoiceError and std::bad_alloc as reading does.
ChainResult followChain(const Options& options, const ThreadStarter& start,
                        const std::function<void(std::size_t, const ChainStep&)>& progress = {});

// setdelta.log of a chain: the releases, a table of counts per step, the composed moves, the
// removed sets with their last release and the new sets with their first.
void writeChainReport(OutputFile& output, const Options& options, const ChainResult& chain);

// The JSON chain report, "setdelta-chain-report" (the layout is in sdelta/README.md).
void writeChainJson(OutputFile& output, const Options& options, const ChainResult& chain);

// The whole --chain run: checks the outputs against the inputs, follows the chain and writes
// setdelta.log and the JSON report where one is asked for. Returns the exit status.
int runChain(const Options& options, std::ostream& out, std::ostream& err, const ThreadStarter& start);

} // namespace setdelta
