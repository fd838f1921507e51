// The diff tool's progress lines: parsing them, cutting a stream of them into lines, and a run of
// the real setdelta that reports its progress on a pipe of its own, away from the log.
#include "difftool.h"
#include "runfolder.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "toolprogress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

inline void PrintTo(const ToolProgress& progress, std::ostream* out)
{
    *out << "{phase " << static_cast<int>(progress.phase) << ", " << progress.oldRead << '/' << progress.oldTotal << ", "
         << progress.newRead << '/' << progress.newTotal << '}';
}

TEST(ToolProgressLine, ParsesTheToolsLinesAndNothingElse)
{
    const QList<std::pair<QByteArray, std::optional<ToolProgress>>> rows = {
        {"progress reading 0 0 0 0", ToolProgress{}},
        {"progress reading 143386 2119390 241690 2495793", ToolProgress{ToolPhase::Reading, 143386, 2119390, 241690, 2495793}},
        {"progress comparing 5 5 7 7", ToolProgress{ToolPhase::Comparing, 5, 5, 7, 7}},
        {"progress writing 18446744073709551615 1 2 3", ToolProgress{ToolPhase::Writing, 18446744073709551615u, 1, 2, 3}},
        {"progress writing 1 2 3 4 later-field 9", ToolProgress{ToolPhase::Writing, 1, 2, 3, 4}},
        {"", std::nullopt},
        {"progress", std::nullopt},
        {"progress reading 1 2 3", std::nullopt},
        {"progress sleeping 1 2 3 4", std::nullopt},
        {"Progress reading 1 2 3 4", std::nullopt},
        {"setdelta: error: progress reading 1 2 3 4", std::nullopt},
        {"progress reading -1 2 3 4", std::nullopt},
        {"progress reading +1 2 3 4", std::nullopt},
        {"progress reading 0x1 2 3 4", std::nullopt},
        {"progress reading 1.5 2 3 4", std::nullopt},
        {"progress reading 18446744073709551616 2 3 4", std::nullopt},
        {"progress  reading 1 2 3 4", std::nullopt},
        {"progress reading 1 2 3 4\r", std::nullopt},
    };
    for (const auto& [line, expected] : rows)
        EXPECT_EQ(ParseToolProgress(line), expected) << line.toStdString();
}

TEST(ToolProgressLine, PercentFillsNinetyByBytesReadThenComparingAndWriting)
{
    EXPECT_EQ((ToolProgress{ToolPhase::Reading, 0, 100, 0, 300}.percent()), 0);
    EXPECT_EQ((ToolProgress{ToolPhase::Reading, 100, 100, 100, 300}.percent()), 45) << "bytes of both together";
    EXPECT_EQ((ToolProgress{ToolPhase::Reading, 100, 100, 300, 300}.percent()), 90);
    EXPECT_EQ((ToolProgress{ToolPhase::Reading, 900, 100, 300, 300}.percent()), 90) << "never past a total";
    EXPECT_EQ((ToolProgress{ToolPhase::Reading, 5, 0, 1, 10}.percent()), -1) << "a size not known";
    EXPECT_EQ((ToolProgress{ToolPhase::Comparing, 1, 1, 1, 1}.percent()), 90);
    EXPECT_EQ((ToolProgress{ToolPhase::Writing, 1, 1, 1, 1}.percent()), 95);
}

TEST(ToolProgressReader, TakesLinesSplitAnywhereAndLeavesOutWhatIsNoProgressLine)
{
    QList<ToolProgress> heard;
    ToolProgressReader reader([&heard](const ToolProgress& progress) { heard.append(progress); });
    const QByteArray stream = "progress reading 1 10 2 20\nnoise\n\nprogress comparing 10 10 20 20\n"
                              + QByteArray(ToolProgressReader::maximumLineLength + 1, 'x')
                              + " progress writing 1 1 1 1\nprogress writing 10 10 20 20\nprogress reading 3";
    for (qsizetype at = 0; at < stream.size(); at += 3)
        reader.receive(QByteArrayView(stream).sliced(at, std::min<qsizetype>(3, stream.size() - at)));
    EXPECT_EQ(heard, (QList<ToolProgress>{{ToolPhase::Reading, 1, 10, 2, 20},
                                          {ToolPhase::Comparing, 10, 10, 20, 20},
                                          {ToolPhase::Writing, 10, 10, 20, 20}}))
        << "an overlong line is left out whole; a line without its end is not one yet";
}

class ToolProgressRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(tool.folder()));
        ASSERT_TRUE(folder) << created.reason().toStdString();
    }

    ToolRun run(const QString& oldDat, const QString& newDat)
    {
        return tool.run({.switches = u"-d1"_s, .source = {oldDat, {}}, .compare = {newDat, {}},
                         .workingFolder = folder->path(),
                         .progress = [this](const ToolProgress& progress) { heard.append(progress); }},
                        [this](const QString& text) { log += text; }, prompter);
    }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(u"app folder"_s)};
    const Result<std::unique_ptr<RunFolder>> created = RunFolder::create();
    RunFolder* const folder = created ? created->get() : nullptr;
    QList<ToolProgress> heard;
    QString log;
    ScriptedPrompter prompter;
};

namespace {

QByteArray manySets(int count, const QByteArray& version)
{
    QByteArray dat = "clrmamepro ( name Test version " + version + " )\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "g" + QByteArray::number(i);
        dat += "game ( name " + name + " description \"Game " + name + "\" rom ( name " + name + ".bin size 1024 crc "
               + QByteArray::number(10000000 + i) + " ) )\n";
    }
    return dat;
}

}  // namespace

TEST_F(ToolProgressRun, TheRealToolReportsEveryPhaseUntilBothDatsAreReadAndNothingOfItReachesTheLog)
{
    ASSERT_TRUE(QFile::link(QStringLiteral(SETDELTA_PATH), tool.program()));
    const QString oldDat = temp.filePath(u"old.dat"_s);
    const QString newDat = temp.filePath(u"new.dat"_s);
    writeFile(oldDat, manySets(20000, "1"));
    writeFile(newDat, manySets(20500, "2"));

    const ToolRun done = run(oldDat, newDat);

    ASSERT_EQ(ToolFailureReason(done, *folder), QString()) << log.toStdString();
    ASSERT_FALSE(heard.isEmpty());
    QList<ToolPhase> phases;
    for (const ToolProgress& progress : heard)
        if (phases.isEmpty() || phases.last() != progress.phase)
            phases.append(progress.phase);
    EXPECT_EQ(phases, (QList<ToolPhase>{ToolPhase::Reading, ToolPhase::Comparing, ToolPhase::Writing}));
    const auto size = [](const QString& path) { return static_cast<quint64>(QFileInfo(path).size()); };
    EXPECT_EQ(heard.last(), (ToolProgress{ToolPhase::Writing, size(oldDat), size(oldDat), size(newDat), size(newDat)}));
    EXPECT_FALSE(log.contains(u"progress"_s)) << log.toStdString();
    EXPECT_FALSE(readAll(CaptureFilePath()).contains("progress"));
    EXPECT_TRUE(readAll(CaptureFilePath()).contains("Wrote setdelta.dat"));
}

// What the tool prints is log, whatever it looks like; its pipe carries progress and nothing
// it writes there, however long a line, reaches the log or costs more than a line's room.
// (dash takes only one-digit descriptors in a redirection, hence /proc.)
TEST_F(ToolProgressRun, OnlyThePipeCarriesProgressAndItsNoiseIsLeftOut)
{
    writeFile(tool.program(),
              "#!/bin/sh\n"
              "[ \"$1\" = --progress-fd ] || exit 9\n"
              "echo 'progress reading 1 2 3 4'\n"
              "exec 3>/proc/self/fd/$2\n"
              "head -c 1000 /dev/zero | tr '\\0' x >&3\n"
              "printf '\\nprogress comparing 5 5 6 6\\n' >&3\n"
              "echo done > setdelta.dat\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const ToolRun done = run(u"/dats/old.dat"_s, u"/dats/new.dat"_s);

    EXPECT_EQ(done.result.exitCode, 0) << log.toStdString();
    EXPECT_EQ(log, u"progress reading 1 2 3 4\n"_s);
    EXPECT_EQ(heard, (QList<ToolProgress>{{ToolPhase::Comparing, 5, 5, 6, 6}}));
    EXPECT_EQ(done.errorLine, QString());
}

}  // namespace quillon
