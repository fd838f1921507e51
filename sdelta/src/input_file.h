#pragma once

#include <cstddef>
#include <string>
#include <memory>
#include <string_view>

namespace setdelta {

// A DAT opened for reading in large blocks. The first block is read on opening so the
// format can be told from the content; read() hands it out again before the rest.
class InputFile {
public:
    static constexpr std::size_t defaultBlockSize = std::size_t{1} << 20;

    // Small blocks serve the fuzz targets: cheap to allocate, and every token and element
    // gets split across block ends.
    explicit InputFile(std::string path, std::size_t blockSize = defaultBlockSize);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return path_; }
    std::size_t blockSize() const { return blockSize_; }
    std::string_view firstBlock() const { return {first_.get(), firstSize_}; }

    // Fills up to `capacity` bytes; 0 at the end of the file. Throws DatError on a read error.
    std::size_t read(char* buffer, std::size_t capacity);

private:
    std::size_t readFromFile(char* buffer, std::size_t capacity);

    std::string path_;
    std::size_t blockSize_;
    int fd_ = -1;
    std::unique_ptr<char[]> first_;
    std::size_t firstSize_ = 0;
    std::size_t firstOffset_ = 0;
};

} // namespace setdelta
