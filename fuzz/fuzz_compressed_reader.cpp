// libFuzzer target for the gzip or the zip reader, chosen at build time. Each input is taken as
// a compressed DAT (given the container's signature where it lacks one, so that every run goes
// through the decompressing reader) and read as the program reads an input: what comes out of
// a damaged, truncated or hostile container must be an error with a message, never a crash,
// a hang or memory without bound.
#include "fuzz_entry.h"
#include "dat_error.h"
#include "dat_loader.h"
#include "memory_file.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using namespace setdelta;

#if defined(FUZZ_GZIP_READER)
constexpr std::string_view signature("\x1f\x8b", 2);
#else
constexpr std::string_view signature("PK\x03\x04", 4);
#endif

std::vector<std::uint8_t> withSignature(const std::uint8_t* data, std::size_t size)
{
    std::string_view start(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> bytes;
    if (!start.starts_with(signature))
        bytes.assign(signature.begin(), signature.end());
    bytes.insert(bytes.end(), data, data + size);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes = withSignature(data, size);
    fuzz::MemoryFile file(bytes.data(), bytes.size());
    try {
        Dat dat = loadDat(file.path(), ObjectKind::Rom, {});
    } catch (const DatError&) {
        // A damaged container or DAT is rejected with a message: the expected outcome for most inputs.
    } catch (const EntryChoiceError&) {
        // An archive of several DATs, none chosen.
    }
    return 0;
}
