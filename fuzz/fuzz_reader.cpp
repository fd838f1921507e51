// libFuzzer target for one DAT reader, chosen at build time. Each input is read as a DAT of
// every object kind; what reads without error is resolved under every set type and compared
// with itself, which must find no difference.
#include "fuzz_entry.h"
#include "compare.h"
#include "dat_error.h"
#include "input_file.h"
#include "memory_file.h"
#include "resolve.h"
#include "text_reader.h"
#include "xml_reader.h"

#include <cstdint>
#include <cstdlib>

namespace {

using namespace setdelta;

using fuzz::MemoryFile;

constexpr std::size_t smallBlock = 61;

void readWithTheReaderUnderTest(InputFile& input, Dat& dat)
{
#if defined(FUZZ_TEXT_READER)
    readTextDat(input, dat);
#else
    readXmlDat(input, dat);
#endif
}

void expectNoDifferenceWithItself(const Dat& dat)
{
    for (SetType type : {SetType::Split, SetType::Merged, SetType::NonMerged}) {
        ResolvedDat resolved = resolve(dat, {type, true, true});
        Comparison comparison = compare(resolved, resolved, true);
        if (!comparison.newSets.empty() || !comparison.removedSets.empty() || !comparison.changedSets.empty())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryFile file(data, size);
    for (ObjectKind kind : {ObjectKind::Rom, ObjectKind::Disk, ObjectKind::Sample}) {
        try {
            InputFile input(file.path(), {}, smallBlock);
            Dat dat;
            dat.kind = kind;
            readWithTheReaderUnderTest(input, dat);
            dat.finish();
            expectNoDifferenceWithItself(dat);
        } catch (const DatError&) {
            // Rejecting bad input with a message is the expected outcome for most inputs.
        }
    }
    return 0;
}
