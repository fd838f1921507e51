#pragma once

#include "dat_loader.h"
#include "options.h"
#include "program.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>

namespace setdelta::test {

// A folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
};

std::vector<std::string> entriesOf(const std::filesystem::path& folder);
std::string readFile(const std::filesystem::path& path);
void writeZip(const std::filesystem::path& path, const std::vector<std::pair<std::string, std::string>>& entries);
void writeGzip(const std::filesystem::path& path, const std::string& content);

// `count` sets "g0".. of one ROM each, every ROM of its own content.
std::string manySets(int count);

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Which flushes to disk fail in a run: none, those of the files in the run's folder, or that of
// the folder itself.
enum class FailingFlush { None, Files, Folder };

// How the tool runs, as a user's machine may have it: under ulimit -v and ulimit -f, as an
// ordinary user (nobody, when the tests run as root), and on a file system whose flushes fail.
struct ToolLimits {
    rlim_t addressSpace = RLIM_INFINITY, fileSize = RLIM_INFINITY;
    bool ordinaryUser = false;
    FailingFlush failingFlush = FailingFlush::None;
};

// Runs the real setdelta binary in `folder` as its working folder; `whileRunning`, when given,
// gets the tool's process id before the run is waited for. A run ended by a signal gets status -1.
ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                const ToolLimits& limits = {}, const std::function<void(pid_t)>& whileRunning = {});

// Runs of the real binary in a temporary folder.
class ToolTest : public testing::Test {
protected:
    ToolRun run(const std::vector<std::string>& arguments, const ToolLimits& limits = {})
    {
        return runTool(folder_.path(), arguments, limits);
    }
    // What the folder holds, by name: a failed run leaves no result and no temporary file.
    void expectOnly(const std::vector<std::string>& names) { EXPECT_EQ(entriesOf(folder_.path()), names); }

    TempFolder folder_;
};

// "name: obj obj | name: obj" — a resolved DAT in a form easy to compare in a test.
std::string describe(const ResolvedDat& dat);
std::string describe(const std::vector<DeltaSet>& delta);

// The whole comparison of two DAT files in this process, as the program does it.
std::vector<DeltaSet> deltaOf(const ResolvedDat& oldDat, const ResolvedDat& newDat, const Options& options);
std::string deltaText(const Dat& oldDat, const Dat& newDat, const Options& options);
// The same of two DATs given as their content, of the kind the options name.
std::string deltaText(std::string_view oldContent, std::string_view newContent, const Options& options);

} // namespace setdelta::test
