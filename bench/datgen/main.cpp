// datgen: writes a MAME-size -listxml DAT and the next version of it, for the setdelta benchmark.

#include "catalogue.h"
#include "listxml_writer.h"
#include "shapes.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Bump when the output changes, so bench/run.sh regenerates data it has kept.
constexpr const char* kVersion = "datgen 3";
constexpr std::uint32_t kDefaultSets = 45000;
constexpr std::uint64_t kDefaultSeed = 20240601;
// Distinct from the catalogue's seed so the changes do not replay the catalogue's first draws.
constexpr std::uint64_t kChangeSeedSalt = 0x6368616e6765ULL;

constexpr const char* kUsage =
    "usage: datgen [--sets N] [--seed N] OLD NEW\n"
    "       datgen --shape changed-roms|clone-chain|clone-family|long-names [--copies N] OLD NEW\n"
    "       datgen --version\n"
    "Writes a MAME -listxml DAT of about N sets (default 45000) to OLD and a changed copy to NEW.\n"
    "A shape writes N copies (default 1) of a pair built to expose quadratic work instead:\n"
    "one set of 50,000 ROMs all changed; a clone chain 17 deep of 3,000 ROMs each; a parent\n"
    "with 2,000 clones of 25 ROMs each; four sets of one ROM named with just under 1 MiB.\n";

struct Options {
    std::optional<datgen::Shape> shape;
    std::uint32_t copies = 1;
    std::uint32_t sets = kDefaultSets;
    std::uint64_t seed = kDefaultSeed;
    std::string oldPath;
    std::string newPath;
};

template <typename Number>
std::optional<Number> parsePositive(std::string_view text)
{
    Number value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value == 0)
        return std::nullopt;
    return value;
}

std::optional<Options> parseArguments(int argc, char** argv)
{
    Options options;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--sets" && hasValue) {
            const auto sets = parsePositive<std::uint32_t>(argv[++i]);
            if (!sets)
                return std::nullopt;
            options.sets = *sets;
        } else if (argument == "--seed" && hasValue) {
            const auto seed = parsePositive<std::uint64_t>(argv[++i]);
            if (!seed)
                return std::nullopt;
            options.seed = *seed;
        } else if (argument == "--shape" && hasValue) {
            options.shape = datgen::shapeNamed(argv[++i]);
            if (!options.shape)
                return std::nullopt;
        } else if (argument == "--copies" && hasValue) {
            const auto copies = parsePositive<std::uint32_t>(argv[++i]);
            if (!copies)
                return std::nullopt;
            options.copies = *copies;
        } else if (argument.starts_with("-")) {
            return std::nullopt;
        } else {
            paths.emplace_back(argument);
        }
    }
    if (paths.size() != 2)
        return std::nullopt;
    options.oldPath = paths[0];
    options.newPath = paths[1];
    return options;
}

void report(const std::string& path, const datgen::WrittenCounts& counts)
{
    std::printf("%s: sets=%llu roms=%llu disks=%llu bytes=%llu\n", path.c_str(),
                static_cast<unsigned long long>(counts.sets), static_cast<unsigned long long>(counts.roms),
                static_cast<unsigned long long>(counts.disks), static_cast<unsigned long long>(counts.bytes));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("%s\n", kVersion);
        return 0;
    }
    const std::optional<Options> options = parseArguments(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    try {
        if (options->shape) {
            datgen::writeShape(*options->shape, options->copies, options->oldPath, options->newPath);
            return 0;
        }
        datgen::Catalogue catalogue = datgen::buildCatalogue(options->sets, options->seed);
        report(options->oldPath, datgen::writeListxml(catalogue, options->oldPath, "0.262 (mame0262)"));
        datgen::applyChanges(catalogue, options->seed ^ kChangeSeedSalt);
        report(options->newPath, datgen::writeListxml(catalogue, options->newPath, "0.263 (mame0263)"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "datgen: %s\n", error.what());
        return 2;
    }
    return 0;
}
