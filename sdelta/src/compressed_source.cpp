// Zipped and gzipped DATs, decompressed as they are read: no temporary file, and no more of
// the DAT in memory than one block.
#include "byte_source.h"
#include "file_descriptor.h"

#include "dat_entries.h"
#include "dat_error.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <utility>
#include <unistd.h>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace setdelta {
namespace {

class GzipSource : public ByteSource {
public:
    GzipSource(int fd, std::string label) : label_(std::move(label)), file_(::gzdopen(fd, "rb"))
    {
        if (!file_) {
            ::close(fd);
            throw DatError(label_, 0, "out of memory opening the gzip file");
        }
        constexpr unsigned inputBuffer = 1u << 18;
        ::gzbuffer(file_, inputBuffer);
    }
    ~GzipSource() override { ::gzclose(file_); }
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;

    std::size_t read(char* buffer, std::size_t capacity) override
    {
        unsigned request = static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX));
        int count = ::gzread(file_, buffer, request);
        int error = Z_OK;
        const char* message = ::gzerror(file_, &error);
        if (count < 0 || (error != Z_OK && error != Z_BUF_ERROR))
            throw DatError(label_, 0, std::string("damaged gzip data: ") + message);
        // gzread hands out what it has and reports a stream cut short only once it is empty.
        if (count == 0 && error == Z_BUF_ERROR)
            throw DatError(label_, 0, "the gzip data ends early: the file is truncated");
        return static_cast<std::size_t>(count);
    }

    std::uint64_t consumed() const override { return static_cast<std::uint64_t>(std::max<z_off_t>(::gzoffset(file_), 0)); }

private:
    std::string label_;
    gzFile file_;
};

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

struct Entry {
    zip_uint64_t index = 0;
    std::string name;
};

// The files of an archive that may be DATs, by the rule Quillon's zip window follows too.
std::vector<Entry> candidateEntries(zip_t* archive)
{
    std::vector<Entry> files;
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (name && *name && name[std::strlen(name) - 1] != '/')
            files.push_back({static_cast<zip_uint64_t>(i), name});
    }
    std::vector<std::string_view> names;
    for (const Entry& file : files)
        names.push_back(file.name);
    std::vector<Entry> candidates;
    for (std::size_t position : datEntryCandidates(names))
        candidates.push_back(files[position]);
    return candidates;
}

std::string listOf(const std::vector<Entry>& entries)
{
    std::string list;
    for (const Entry& entry : entries)
        list += (list.empty() ? "" : ", ") + entry.name;
    return list;
}

Entry chooseEntry(zip_t* archive, const DatSource& source)
{
    if (!source.entry.empty()) {
        zip_int64_t index = zip_name_locate(archive, source.entry.c_str(), ZIP_FL_ENC_GUESS);
        if (index < 0)
            throw DatError(source.file, 0,
                           "the archive has no entry '" + source.entry + "'; it holds: " + listOf(candidateEntries(archive)));
        return {static_cast<zip_uint64_t>(index), source.entry};
    }
    std::vector<Entry> entries = candidateEntries(archive);
    if (entries.empty())
        throw DatError(source.file, 0, "the zip archive is empty: it holds no DAT");
    if (entries.size() > 1)
        throw EntryChoiceError(source.file + " holds several DATs: " + listOf(entries));
    return entries.front();
}

// A duplicate of the descriptor an archive reads through: it shares the file offset, so it tells
// how far reading has come. libzip closes the descriptor it is given once it has one of its own.
// Without a descriptor left, progress shows none.
FileDescriptor offsetProbe(int original)
{
    return FileDescriptor(::fcntl(original, F_DUPFD_CLOEXEC, 0));
}

// One entry of a zip archive. libzip checks the entry's CRC at its end; the size is checked
// here as well, so that a damaged archive never passes for a shorter DAT.
class ZipEntrySource : public ByteSource {
public:
    ZipEntrySource(Archive archive, FileDescriptor offsetFd, const Entry& entry, std::string label)
        : archive_(std::move(archive)), offsetFd_(std::move(offsetFd)), label_(std::move(label))
    {
        zip_stat_t status;
        zip_stat_init(&status);
        if (zip_stat_index(archive_.get(), entry.index, 0, &status) != 0 || !(status.valid & ZIP_STAT_SIZE))
            fail(zip_strerror(archive_.get()));
        expected_ = status.size;
        entry_.reset(zip_fopen_index(archive_.get(), entry.index, 0));
        if (!entry_)
            fail(zip_strerror(archive_.get()));
    }

    std::size_t read(char* buffer, std::size_t capacity) override
    {
        zip_int64_t count = zip_fread(entry_.get(), buffer, capacity);
        if (count < 0)
            fail(zip_file_strerror(entry_.get()));
        if (count == 0 && read_ != expected_)
            fail("the entry ends after " + std::to_string(read_) + " of its " + std::to_string(expected_) + " bytes");
        read_ += static_cast<zip_uint64_t>(count);
        return static_cast<std::size_t>(count);
    }

    std::uint64_t consumed() const override
    {
        const off_t offset = offsetFd_.valid() ? ::lseek(offsetFd_.get(), 0, SEEK_CUR) : -1;
        return offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
    }

private:
    [[noreturn]] void fail(const std::string& reason) const
    {
        throw DatError(label_, 0, "damaged zip archive: " + reason);
    }

    Archive archive_;
    FileDescriptor offsetFd_;
    std::unique_ptr<zip_file_t, EntryCloser> entry_;
    std::string label_;
    zip_uint64_t expected_ = 0;
    zip_uint64_t read_ = 0;
};

} // namespace

std::unique_ptr<ByteSource> openGzipSource(int fd, const DatSource& source)
{
    return std::make_unique<GzipSource>(fd, source.label());
}

std::unique_ptr<ByteSource> openZipEntrySource(int fd, DatSource& source)
{
    int error = 0;
    FileDescriptor offsetFd = offsetProbe(fd);
    // The archive is the file that was opened and looked into, even if the path now names another.
    Archive archive(zip_fdopen(fd, 0, &error));
    if (!archive) {
        ::close(fd);
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        std::string message = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw DatError(source.file, 0, "cannot open the zip archive: " + message);
    }
    Entry entry = chooseEntry(archive.get(), source);
    source.entry = entry.name;
    return std::make_unique<ZipEntrySource>(std::move(archive), std::move(offsetFd), entry, source.label());
}

} // namespace setdelta
