// Progress lines: the reporter's rate limit and line format, and the real setdelta reporting a
// run through --progress and --progress-fd, phase by phase, until each input's bytes reach its
// size, for plain, zipped and gzipped DATs.
#include "progress.h"
#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace setdelta::test {
namespace {

struct ProgressLine {
    std::string phase;
    std::uint64_t oldRead = 0, oldTotal = 0, newRead = 0, newTotal = 0;
};

// The progress lines of `text`, failing the test on any line that starts "progress" and is not
// one: five fields, the phase a known one.
std::vector<ProgressLine> progressLinesOf(const std::string& text)
{
    std::vector<ProgressLine> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.starts_with("progress"))
            continue;
        std::istringstream fields(line);
        std::string word;
        ProgressLine parsed;
        fields >> word >> parsed.phase >> parsed.oldRead >> parsed.oldTotal >> parsed.newRead >> parsed.newTotal;
        EXPECT_TRUE(fields && (fields >> word).eof()) << "malformed: " << line;
        EXPECT_TRUE(parsed.phase == "reading" || parsed.phase == "comparing" || parsed.phase == "writing") << line;
        lines.push_back(parsed);
    }
    return lines;
}

// Phases come in order, each of them at least once, bytes read never go back and never pass
// the total, and once reading is over both inputs count as read in full: their file sizes.
void expectWholeRun(const std::vector<ProgressLine>& lines, std::uint64_t oldSize, std::uint64_t newSize)
{
    const std::vector<std::string> order{"reading", "comparing", "writing"};
    std::vector<std::string> phases;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ProgressLine& line = lines[i];
        if (phases.empty() || phases.back() != line.phase)
            phases.push_back(line.phase);
        EXPECT_LE(line.oldRead, std::max(line.oldTotal, oldSize));
        EXPECT_LE(line.newRead, std::max(line.newTotal, newSize));
        if (i > 0) {
            EXPECT_GE(line.oldRead, lines[i - 1].oldRead);
            EXPECT_GE(line.newRead, lines[i - 1].newRead);
        }
        if (line.phase != "reading") {
            EXPECT_EQ(line.oldRead, oldSize);
            EXPECT_EQ(line.oldTotal, oldSize);
            EXPECT_EQ(line.newRead, newSize);
            EXPECT_EQ(line.newTotal, newSize);
        }
    }
    EXPECT_EQ(phases, order);
}

using Progress = ToolTest;

TEST_F(Progress, ReportsEveryPhaseUntilTheBytesOfPlainZippedAndGzippedDatsReachTheirSizes)
{
    // Large enough for reading to take several blocks of each file.
    const std::string big = manySets(20000);
    folder_.write("old.dat", big);
    writeZip(folder_.file("new.zip"), {{"new.dat", big + manySets(100)}});
    writeGzip(folder_.file("old.dat.gz"), big);
    const auto size = [this](const char* name) { return std::filesystem::file_size(folder_.file(name)); };

    ToolRun plainAndZip = run({"--progress", "old.dat", "new.zip"});
    ASSERT_EQ(plainAndZip.status, ExitSuccess) << plainAndZip.err;
    EXPECT_EQ(plainAndZip.out.find("progress"), std::string::npos) << "progress goes where it was asked to go";
    std::vector<ProgressLine> lines = progressLinesOf(plainAndZip.err);
    expectWholeRun(lines, size("old.dat"), size("new.zip"));

    ToolRun gzipToStdout = run({"--progress-fd", "1", "old.dat.gz", "old.dat"});
    ASSERT_EQ(gzipToStdout.status, ExitSuccess) << gzipToStdout.err;
    EXPECT_EQ(gzipToStdout.err.find("progress"), std::string::npos);
    expectWholeRun(progressLinesOf(gzipToStdout.out), size("old.dat.gz"), size("old.dat"));
    EXPECT_TRUE(std::filesystem::exists(folder_.file("setdelta.dat")));
}

TEST_F(Progress, ADescriptorThatCannotBeWrittenIsAUsageError)
{
    folder_.write("old.dat", manySets(2));
    for (const auto& [arguments, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--progress-fd", "97", "old.dat", "old.dat"}, "--progress-fd 97: Bad file descriptor"},
             {{"--progress-fd=0", "old.dat", "old.dat"}, "--progress-fd 0: it is open for reading only"},
             {{"--progress-fd", "x1", "old.dat", "old.dat"}, "not 'x1'"},
             {{"--progress-fd", "-1", "old.dat", "old.dat"}, "not '-1'"},
             {{"old.dat", "old.dat", "--progress-fd"}, "--progress-fd needs the number of an open descriptor"}}) {
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage) << reason;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    }
}

TEST(ProgressReporter, WritesPhasesAlwaysAndReadingAtMostOncePerInterval)
{
    std::vector<std::string> written;
    ProgressReporter reporter([&written](std::string_view line) {
        written.emplace_back(line);
        return true;
    }, std::chrono::hours(1));
    reporter.enter(Phase::Reading);
    reporter.oldInput().start(100);
    for (std::uint64_t read = 1; read <= 100; ++read)
        reporter.oldInput().advance(read);
    reporter.newInput().start(0);
    reporter.newInput().advance(7);
    reporter.newInput().finish();
    reporter.enter(Phase::Comparing);
    reporter.enter(Phase::Writing);
    EXPECT_EQ(written, (std::vector<std::string>{"progress reading 0 0 0 0\n", "progress comparing 100 100 7 7\n",
                                                 "progress writing 100 100 7 7\n"}))
        << "a pipe's total is what was read of it";

    ProgressReporter silent;
    silent.enter(Phase::Reading);
    silent.oldInput().advance(5);
    EXPECT_FALSE(silent.isActive());
}

// Two reader threads report at once; every line arrives whole.
TEST(ProgressReporter, TwoReaderThreadsWriteWholeLines)
{
    std::ostringstream stream;
    {
        ProgressReporter reporter(streamLineWriter(stream), std::chrono::milliseconds(0));
        const auto read = [](InputProgress& input) {
            input.start(20000);
            for (std::uint64_t count = 1; count <= 20000; ++count)
                input.advance(count);
        };
        std::jthread other([&] { read(reporter.newInput()); });
        read(reporter.oldInput());
    }
    const std::vector<ProgressLine> lines = progressLinesOf(stream.str());
    EXPECT_GT(lines.size(), 2u);
}

// A reader that has gone away ends the reporting, not the run.
TEST(ProgressReporter, AClosedPipeStopsTheLinesButNotTheProgram)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    {
        ProgressReporter reporter(descriptorLineWriter(ends[1]));
        reporter.enter(Phase::Reading);
        reporter.enter(Phase::Writing);
    }
    ::close(ends[1]);
    std::signal(SIGPIPE, previous);
}

} // namespace
} // namespace setdelta::test
