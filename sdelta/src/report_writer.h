#pragma once

#include "compare.h"
#include "delta.h"
#include "options.h"
#include "output_file.h"

#include <vector>

namespace setdelta {

struct RunSummary {
    std::size_t newSets = 0;
    std::size_t newSetObjects = 0;
    std::size_t removedSets = 0;
    std::size_t removedSetObjects = 0;
    std::size_t changedSets = 0;
    std::size_t addedObjects = 0;
    std::size_t removedObjects = 0;
    std::size_t renamedSets = 0;
    std::size_t renamedObjects = 0;
    std::size_t movedSets = 0;
    std::size_t writtenSets = 0;
    std::size_t writtenObjects = 0;
};

RunSummary summarize(const ResolvedDat& oldDat, const ResolvedDat& newDat, const Comparison& comparison,
                     const std::vector<DeltaSet>& delta);

// One line per input for the report and the console: file, format, header, set count.
std::string describeInput(const Dat& dat, const ResolvedDat& resolved);

// setdelta.log: a report for a person to read.
void writeReport(OutputFile& output, const Options& options, const ResolvedDat& oldDat, const ResolvedDat& newDat,
                 const Comparison& comparison, const RunSummary& summary);

// The report of a run that stopped on an error, so the log left for inspection says why.
void writeFailureReport(OutputFile& output, const Options& options, const std::string& error);

} // namespace setdelta
