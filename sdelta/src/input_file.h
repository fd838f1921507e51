#pragma once

#include "byte_source.h"
#include "dat_source.h"
#include "progress.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace setdelta {

// A DAT opened for reading in large blocks: a plain file, a gzip file, or a DAT inside a zip
// archive. The first block is read on opening so the format can be told from the content;
// read() hands it out again before the rest. A UTF-8 byte order mark is left out.
class InputFile {
public:
    // The longest name, value, line or piece of markup a reader takes. Real DATs stay within a
    // few KiB; the limit keeps a hostile DAT (one huge word, perhaps a compressed one that
    // expands to gigabytes) from costing memory and time without bound.
    static constexpr std::size_t tokenLimit = std::size_t{1} << 20;
    static constexpr std::string_view tokenLimitText = "1 MiB";
    // No smaller than the limit: the XML parser scans an unfinished token again with each
    // block, which stays linear while a block holds at least as much as the longest token.
    static constexpr std::size_t defaultBlockSize = tokenLimit;

    // `entry` names the DAT inside a zip archive; empty takes the archive's only DAT.
    // Small blocks serve the fuzz targets: cheap to allocate, and every token and element
    // gets split across block ends. Throws DatError and EntryChoiceError.
    explicit InputFile(std::string path, std::string entry = {}, std::size_t blockSize = defaultBlockSize);

    const DatSource& source() const { return source_; }
    // How messages name the input.
    const std::string& name() const { return name_; }
    std::size_t blockSize() const { return blockSize_; }
    std::string_view firstBlock() const { return {first_.get() + firstOffset_, firstSize_ - firstOffset_}; }

    // Fills up to `capacity` bytes; 0 at the end of the file. Throws DatError on a read error.
    std::size_t read(char* buffer, std::size_t capacity);

    // From now on, how far reading has come goes to `progress`.
    void reportTo(InputProgress& progress);

private:
    DatSource source_;
    std::unique_ptr<ByteSource> bytes_;
    std::string name_;
    std::size_t blockSize_;
    std::unique_ptr<char[]> first_;
    std::size_t firstSize_ = 0;
    std::size_t firstOffset_ = 0;
    InputProgress* progress_ = nullptr;
};

} // namespace setdelta
