#include "test_support.h"

#include "compare.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

namespace setdelta::test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "setdelta-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& content) const
{
    std::ofstream(file(name), std::ios::binary) << content;
    // Readable by the ordinary user some runs drop to, whatever the umask.
    std::filesystem::permissions(file(name), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                                 std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    return file(name).string();
}

std::vector<std::string> entriesOf(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void writeZip(const std::filesystem::path& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, content] : entries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

void writeGzip(const std::filesystem::path& path, const std::string& content)
{
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(gzwrite(file, content.data(), static_cast<unsigned>(content.size())), static_cast<int>(content.size()));
    ASSERT_EQ(gzclose(file), Z_OK);
}

std::string manySets(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string name = "g" + std::to_string(i);
        text += "game ( name " + name + " description \"Game " + name + "\" rom ( name " + name +
                ".bin size 1024 crc " + std::to_string(10000000 + i) + " ) )\n";
    }
    return text;
}

namespace {

// As users run it: as root the child drops to nobody (and nogroup), whom folder permissions stop.
bool becomeOrdinaryUser()
{
    return ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
}

// A sanitizer runtime would refuse to start behind a library preloaded before it.
void preloadInto(const std::string& library)
{
    ::setenv("LD_PRELOAD", library.c_str(), 1);
    const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
    std::string options = sanitizerOptions ? std::string(sanitizerOptions) + ":" : std::string();
    ::setenv("ASAN_OPTIONS", (options + "verify_asan_link_order=0").c_str(), 1);
}

// The flushes of the files in `folder`, or of the folder itself, fail.
void failFlushesIn(const std::filesystem::path& folder, FailingFlush which)
{
    preloadInto(FAILING_FLUSH_PATH);
    ::setenv("FAILING_FLUSH_FOLDER", std::filesystem::canonical(folder).c_str(), 1);
    if (which == FailingFlush::Folder)
        ::setenv("FAILING_FLUSH_ONLY_FOLDER", "1", 1);
}

void describeSet(std::string& text, const Set& set, std::span<const Object* const> objects)
{
    if (!text.empty())
        text.append(" | ");
    text.append(set.name).append(":");
    for (const Object* object : objects)
        text.append(" ").append(object->name);
}

} // namespace

ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                const ToolLimits& limits, const std::function<void(pid_t)>& whileRunning)
{
    static int runs = 0;
    std::filesystem::path outPath = std::filesystem::temp_directory_path() /
                                    ("setdelta-out-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    std::filesystem::path errPath = outPath.string() + ".err";
    pid_t child = ::fork();
    if (child == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        // The tool must cope with a too-large write itself, as it does when a user runs it.
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit addressSpace{limits.addressSpace, limits.addressSpace};
        const rlimit fileSize{limits.fileSize, limits.fileSize};
        if (::setrlimit(RLIMIT_AS, &addressSpace) != 0 || ::setrlimit(RLIMIT_FSIZE, &fileSize) != 0 ||
            (limits.ordinaryUser && !becomeOrdinaryUser()) || ::chdir(folder.c_str()) != 0)
            ::_exit(127);
        if (limits.failingFlush != FailingFlush::None)
            failFlushesIn(folder, limits.failingFlush);
        std::vector<char*> argv{const_cast<char*>(SETDELTA_PATH)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(SETDELTA_PATH, argv.data());
        ::_exit(127);
    }
    if (whileRunning)
        whileRunning(child);
    int status = 0;
    ::waitpid(child, &status, 0);
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath), readFile(errPath)};
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

std::string describe(const ResolvedDat& dat)
{
    std::string text;
    for (const ResolvedSet& set : dat.sets)
        describeSet(text, *set.set, dat.objectsOf(set));
    return text;
}

std::string describe(const std::vector<DeltaSet>& delta)
{
    std::string text;
    for (const DeltaSet& set : delta)
        describeSet(text, *set.set, set.objects);
    return text;
}

std::vector<DeltaSet> deltaOf(const ResolvedDat& oldResolved, const ResolvedDat& newResolved, const Options& options)
{
    return selectDelta(oldResolved, newResolved, compare(oldResolved, newResolved, options.withRenames), options.level);
}

std::string deltaText(const Dat& oldDat, const Dat& newDat, const Options& options)
{
    ResolvedDat oldResolved = resolve(oldDat, options.resolve);
    ResolvedDat newResolved = resolve(newDat, options.resolve);
    return describe(deltaOf(oldResolved, newResolved, options));
}

std::string deltaText(std::string_view oldContent, std::string_view newContent, const Options& options)
{
    TempFolder folder;
    Dat oldDat = loadDat(folder.write("old.dat", std::string(oldContent)), options.kind);
    Dat newDat = loadDat(folder.write("new.dat", std::string(newContent)), options.kind);
    return deltaText(oldDat, newDat, options);
}

} // namespace setdelta::test
