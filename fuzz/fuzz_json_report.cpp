// libFuzzer target for the JSON report writer. The input is two text DATs split at the first
// NUL byte, its first byte choosing the switches; whatever names and descriptions they carry
// (quotes, control characters, Latin-1, broken UTF-8), the report written must be valid JSON.
#include "fuzz_entry.h"
#include "compare.h"
#include "dat_error.h"
#include "dat_loader.h"
#include "delta.h"
#include "json_report.h"
#include "memory_file.h"
#include "options.h"
#include "resolve.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace {

using namespace setdelta;

Options optionsFrom(std::uint8_t choice)
{
    Options options;
    options.resolve.setType = static_cast<SetType>(choice % 3);
    options.resolve.includeNodump = (choice & 0x04) != 0;
    options.resolve.nonSeparatedBios = (choice & 0x08) != 0;
    options.withRenames = (choice & 0x10) != 0;
    options.level = static_cast<DeltaLevel>(1 + (choice >> 5) % 4);
    return options;
}

std::optional<Dat> readDat(std::string_view text, const Options& options)
{
    fuzz::MemoryFile file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    try {
        return loadDat(file.path(), options.kind, {});
    } catch (const DatError&) {
        return std::nullopt;
    }
}

// One folder for the whole fuzzing run, where each report replaces the one before; in memory
// where the system offers it, since each report is flushed to disk before it is renamed.
class ReportFolder {
public:
    ReportFolder()
    {
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz-json-report-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        folder_ = pattern;
    }
    ~ReportFolder() { std::filesystem::remove_all(folder_); }
    ReportFolder(const ReportFolder&) = delete;
    ReportFolder& operator=(const ReportFolder&) = delete;

    std::filesystem::path report() const { return folder_ / "report.json"; }

private:
    std::filesystem::path folder_;
};

const ReportFolder reportFolder;

void writeAndCheckReport(const Options& options, const Dat& oldDat, const Dat& newDat)
{
    ResolvedDat oldResolved = resolve(oldDat, options.resolve);
    ResolvedDat newResolved = resolve(newDat, options.resolve);
    Comparison comparison = compare(oldResolved, newResolved, options.withRenames);
    std::vector<DeltaSet> delta = selectDelta(oldResolved, newResolved, comparison, options.level);
    RunSummary summary = summarize(oldResolved, newResolved, comparison, delta);
    {
        OutputFile output(reportFolder.report().string());
        writeJsonReport(output, options, oldResolved, newResolved, comparison, summary);
        output.commit();
    }
    std::ifstream report(reportFolder.report());
    if (!nlohmann::json::accept(report))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Options options = optionsFrom(data[0]);
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t split = rest.find('\0');
    if (split == std::string_view::npos)
        return 0;
    std::optional<Dat> oldDat = readDat(rest.substr(0, split), options);
    std::optional<Dat> newDat = readDat(rest.substr(split + 1), options);
    if (oldDat && newDat)
        writeAndCheckReport(options, *oldDat, *newDat);
    return 0;
}
