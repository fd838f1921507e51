// expatpass: the benchmark's baseline, the least work any expat-based DAT reader can do. It reads
// one file in 1 MiB blocks straight into expat's buffer and counts elements, nothing more.
// Names given after the file are counted too (for checks); that path is not the timed baseline.

#include <expat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBlockSize = 1 << 20;

struct Counts {
    std::uint64_t elements = 0;
    std::vector<std::string> names;
    std::vector<std::uint64_t> named;
};

void XMLCALL countElement(void* userData, const XML_Char*, const XML_Char**)
{
    ++static_cast<Counts*>(userData)->elements;
}

void XMLCALL countNamedElement(void* userData, const XML_Char* name, const XML_Char**)
{
    auto* counts = static_cast<Counts*>(userData);
    ++counts->elements;
    for (std::size_t i = 0; i < counts->names.size(); ++i)
        if (counts->names[i] == name)
            ++counts->named[i];
}

void XMLCALL endElement(void*, const XML_Char*) {}

class InputFile {
public:
    explicit InputFile(const char* path) : fd_(::open(path, O_RDONLY)) {}
    ~InputFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Returns false after printing why the file could not be read or parsed.
bool parseFile(XML_Parser parser, const char* path)
{
    const InputFile file(path);
    if (file.fd() < 0) {
        std::fprintf(stderr, "expatpass: %s: %s\n", path, std::strerror(errno));
        return false;
    }
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kBlockSize);
        if (buffer == nullptr) {
            std::fprintf(stderr, "expatpass: %s: out of memory\n", path);
            return false;
        }
        const ssize_t bytes = ::read(file.fd(), buffer, kBlockSize);
        if (bytes < 0 && errno == EINTR)
            continue;
        if (bytes < 0) {
            std::fprintf(stderr, "expatpass: %s: %s\n", path, std::strerror(errno));
            return false;
        }
        if (XML_ParseBuffer(parser, static_cast<int>(bytes), bytes == 0) != XML_STATUS_OK) {
            std::fprintf(stderr, "expatpass: %s:%llu:%llu: %s\n", path,
                         static_cast<unsigned long long>(XML_GetCurrentLineNumber(parser)),
                         static_cast<unsigned long long>(XML_GetCurrentColumnNumber(parser)),
                         XML_ErrorString(XML_GetErrorCode(parser)));
            return false;
        }
        if (bytes == 0)
            return true;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: expatpass FILE [ELEMENT...]\n", stderr);
        return 1;
    }
    Counts counts;
    for (int i = 2; i < argc; ++i)
        counts.names.emplace_back(argv[i]);
    counts.named.assign(counts.names.size(), 0);

    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                               &XML_ParserFree);
    if (!parser) {
        std::fputs("expatpass: cannot create the parser\n", stderr);
        return 2;
    }
    XML_SetUserData(parser.get(), &counts);
    XML_SetElementHandler(parser.get(), counts.names.empty() ? countElement : countNamedElement, endElement);
    if (!parseFile(parser.get(), argv[1]))
        return 2;

    std::printf("elements %llu\n", static_cast<unsigned long long>(counts.elements));
    for (std::size_t i = 0; i < counts.names.size(); ++i)
        std::printf("%s %llu\n", counts.names[i].c_str(), static_cast<unsigned long long>(counts.named[i]));
    return 0;
}
