// However a run ends early (no memory, a full disk, a signal), it leaves no setdelta.dat, old or
// new, and no temporary file; and a DAT full of faults gives a report of readable length.
#include "dat_loader.h"
#include "output_file.h"
#include "program.h"
#include "test_support.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace setdelta::test {
namespace {

constexpr int exitOnSigterm = 128 + SIGTERM;

class FailurePaths : public ToolTest {
protected:
    void SetUp() override
    {
        folder_.write("setdelta.dat", "a result of an earlier run");
        folder_.write("old.dat", manySets(10));
    }

    // Only the inputs and a log remain: no result, old or new, and no temporary file.
    void expectNoResultLeft(const std::vector<std::string>& inputs)
    {
        std::vector<std::string> left = folder_.entries();
        std::erase(left, "setdelta.log");
        EXPECT_EQ(left, inputs);
    }
};

TEST_F(FailurePaths, RunningOutOfMemoryLeavesNoResult)
{
#if defined(TOOL_HAS_ADDRESS_SANITIZER)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space, so the tool cannot start under a limit";
#endif
    folder_.write("new.dat", manySets(150000));
    ToolLimits limits;
    limits.addressSpace = rlim_t{64} << 20;
    ToolRun result = run({"old.dat", "new.dat"}, limits);
    EXPECT_TRUE(result.status == ExitInput || result.status == ExitOutput) << result.status << result.err;
    EXPECT_NE(result.err.find("out of memory"), std::string::npos) << result.err;
    expectNoResultLeft({"new.dat", "old.dat"});
}

TEST_F(FailurePaths, AFileSizeLimitIsAnOutputError)
{
    folder_.write("new.dat", manySets(20000));
    ToolLimits limits;
    limits.fileSize = 64 * 1024;
    ToolRun result = run({"old.dat", "new.dat"}, limits);
    EXPECT_EQ(result.status, ExitOutput) << result.err;
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    expectNoResultLeft({"new.dat", "old.dat"});
}

// The new DAT is a pipe that the test feeds half a DAT and then holds open, so the tool is
// surely reading when the signal comes.
TEST_F(FailurePaths, SigtermWhileReadingEndsWithItsStatus)
{
    std::string pipe = folder_.file("new.dat").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    StartedTool tool = startTool(folder_.path(), {"old.dat", "new.dat"});
    int writer = ::open(pipe.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    std::string half = manySets(100) + "game ( name cut rom ( name";
    ASSERT_EQ(::write(writer, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    while (std::filesystem::exists(folder_.file("setdelta.dat")))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(tool.pid, SIGTERM);
    ToolRun result = finishTool(tool);
    ::close(writer);
    EXPECT_EQ(result.status, exitOnSigterm);
    expectNoResultLeft({"new.dat", "old.dat"});
}

// A signal while the results are being written takes their temporary files with it.
TEST_F(FailurePaths, SigtermWhileWritingRemovesTheTemporaryFiles)
{
    std::filesystem::remove(folder_.file("setdelta.dat"));
    std::filesystem::remove(folder_.file("old.dat"));
    pid_t child = ::fork();
    if (child == 0) {
        handleStopSignals();
        if (::chdir(folder_.path().c_str()) != 0)
            ::_exit(1);
        OutputFile dat("setdelta.dat");
        dat.write(manySets(10));
        OutputFile log("setdelta.log");
        ::raise(SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exitOnSigterm);
    expectNoResultLeft({});
}

TEST(Warnings, AreCappedPerKindWithACountOfTheRest)
{
    TempFolder folder;
    std::string sets = manySets(5);
    std::string repeated;
    for (int i = 0; i < 1000; ++i)
        repeated += sets;
    Dat dat = loadDat(folder.write("repeated.dat", repeated + "game ( name q description \"a\nb\" )\n"),
                      ObjectKind::Rom);
    ASSERT_EQ(dat.warnings.size(), 22u);
    EXPECT_NE(dat.warnings[0].find("quoted value runs across a line break"), std::string::npos);
    EXPECT_NE(dat.warnings[21].find("repeated.dat: 4975 more warnings like the repeated sets above are not shown"),
              std::string::npos)
        << dat.warnings[21];
}

} // namespace
} // namespace setdelta::test
