#include "cmpheader.h"
#include "datinformation.h"
#include "fileoperations.h"
#include "filesizelimit.h"
#include "frmzip.h"
#include "panelcopy.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "utilities.h"
#include "ziptestfiles.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include <dlfcn.h>
#include <link.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

// A DAT body of about `size` bytes.
QByteArray datBody(int size)
{
    QByteArray body;
    for (int index = 0; body.size() < size; ++index)
        body += "game (\r\n\tname g" + QByteArray::number(index) + "\r\n\trom ( name r.bin size 1024 crc 1a2b3c4d )\r\n)\r\n";
    return body;
}

// Bytes that deflate cannot shrink, the same in every run.
QByteArray noise(qsizetype size)
{
    std::vector<quint32> words(static_cast<size_t>(size) / sizeof(quint32));
    QRandomGenerator(12345).fillRange(words.data(), static_cast<qsizetype>(words.size()));
    return QByteArray(reinterpret_cast<const char*>(words.data()), size);
}

const QByteArray headedDat = "clrmamepro (\r\n\tname \"old\"\r\n)\r\n" + datBody(200000);

// The user's folder, with a tmp/ folder that serves as XDG_RUNTIME_DIR.
class Folder {
public:
    Folder() { QDir(dir_.path()).mkpath(u"tmp"_s); }
    QString root() const { return dir_.path(); }
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    qint64 write(const char* name, const QByteArray& content) const
    {
        QDir(dir_.path()).mkpath(QFileInfo(path(name)).path());
        writeFile(path(name), content);
        return content.size();
    }
    // Every file under the folder but `scratch`, hidden and temporary ones included, with its content.
    QMap<QString, QByteArray> snapshot(const char* scratch) const
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            if (const QString file = it.next(); file != path(scratch))
                files.insert(file, readAll(file));
        return files;
    }

private:
    QTemporaryDir dir_;
};

// A window command says nothing back but what it showed: its last message is its outcome.
Outcome lastMessage(const ScriptedPrompter& prompter, const QString& success = {})
{
    const QString last = prompter.texts().value(prompter.texts().size() - 1);
    return last == success ? Outcome::success() : Outcome::failure(last);
}

qint64 panelFiles(const Folder& f)
{
    return f.write("right/game.dat", "older\r\n") + f.write("game.dat", datBody(300000)) - 8;
}

Outcome panelCopy(const Folder& f, bool move, bool leftPanel = false)
{
    ScriptedPrompter prompter;
    prompter.answerNext(PromptAnswer::Yes);
    if (leftPanel) {
        CopyFileAskingFirst(prompter, nullptr, f.path("game.dat"), f.path("right/game.dat"));
        return lastMessage(prompter, u"The destination folder already contains \"game.dat\".\n\nDo you want to replace it ?"_s);
    }
    FileCopy(prompter, f.path("game.dat"), f.path("right/game.dat"), move);
    return lastMessage(prompter, move ? u"File succesfully moved.\n\n"_s : u"File succesfully copied.\n\n"_s);
}

Outcome datInformation(const QString& file)
{
    ScriptedDatDialogs dialogs;
    dialogs.pickNext(u"sub/game.dat"_s);
    dialogs.saveNext(DatHeader{.name = u"new"_s});
    ScriptedPrompter prompter;
    ShowDatInformation(file, dialogs, prompter, nullptr);
    const bool critical = !prompter.messages().isEmpty() && prompter.messages().last().icon == PromptIcon::Critical;
    return critical ? lastMessage(prompter) : Outcome::success();
}

Outcome extractEntry(const Folder& f)
{
    ScriptedPrompter prompter;
    frmZip window(prompter);
    window.ExtractTempFile(f.path("game.zip"), ListZip(f.path("game.zip"))->at(0));
    return window.tempFile().isEmpty() ? lastMessage(prompter) : Outcome::success();
}

// One writer of the application. `prepare` writes the user's files and gives a file size limit
// below what the writer must write, as on a disk that fills during the write; the reason must
// begin with `reasonStart` (%1 is the folder) and end with the system's words. Only `scratch`,
// a temporary file of the application's own, may be left partly written. A writer that replaces
// an existing file is also tried on a disk that reports the failure only at the flush.
struct WriteFault {
    const char* name;
    qint64 (*prepare)(const Folder&);
    Outcome (*write)(const Folder&);
    QString reasonStart = u"%1"_s;
    const char* scratch = "";
    bool replacesAFile = true;
};

const QString copyFailed = u"An error has occurred during the copy of the file.\n\n%1/right/game.dat: "_s;

const WriteFault writeFaults[] = {
    {"JoinTextFiles", [](const Folder& f) { return f.write("user.dat", "x") + f.write("header", "h\r\n") + f.write("result.dat", datBody(100000)) - 10; },
     [](const Folder& f) { return JoinTextFiles(f.path("user.dat"), {f.path("header"), f.path("result.dat")}); }},
    {"CopyFileReplacing", [](const Folder& f) { return f.write("user.dat", "x") + f.write("result.dat", datBody(100000)) - 2; },
     [](const Folder& f) { return CopyFileReplacing(f.path("result.dat"), f.path("user.dat")); }, u"%1/user.dat: "_s},
    {"PanelCopy", panelFiles, [](const Folder& f) { return panelCopy(f, false); }, copyFailed},
    {"PanelMove", panelFiles, [](const Folder& f) { return panelCopy(f, true); }, copyFailed},
    {"LeftPanelCopy", panelFiles, [](const Folder& f) { return panelCopy(f, false, true); },
     u"\"game.dat\" could not be copied.\n\n%1/right/game.dat: "_s},
    {"WriteHeaderFile", [](const Folder& f) { return f.write("cmh1.tmp", {}) + 40; },
     [](const Folder& f) { return WriteHeaderFile(f.path("cmh1.tmp"), DatHeader{.name = u"Name"_s, .description = u"Text"_s}); }},
    {"AppendDatWithoutHeader", [](const Folder& f) { return f.write("game.dat", headedDat) / 2; },
     [](const Folder& f) { return AppendDatWithoutHeader(f.path("cmh1.tmp"), f.path("game.dat")); }, u"%1"_s, "cmh1.tmp", false},
    {"DatInformationOnADat", [](const Folder& f) { return f.write("game.dat", headedDat) - 1000; },
     [](const Folder& f) { return datInformation(f.path("game.dat")); }, u"The header of %1/game.dat could not be rewritten"_s},
    // The archive outgrows the limit only once the DAT has been taken out and rewritten, so that
    // storing it back is the write that fails.
    {"DatInformationInAZip",
     [](const Folder& f) -> qint64 { return makeZip(f.path("game.zip"), {{"sub/game.dat", headedDat}, {"noise", noise(250000)}}) ? 210000 : 0; },
     [](const Folder& f) { return datInformation(f.path("game.zip")); }, u"The header of %1/game.zip could not be rewritten"_s},
    {"AddToAnArchive", [](const Folder& f) { return makeZip(f.path("old.zip"), {{"new.dat", "old"}}) ? f.write("new.dat", noise(400000)) : 0; },
     [](const Folder& f) { return AddToZip(f.path("old.zip"), f.path("new.dat"), f.path("new.dat"), true); }, u"%1/old.zip: "_s},
    {"CreateAnArchive", [](const Folder& f) { return f.write("new.dat", noise(400000)); },
     [](const Folder& f) { return AddToZip(f.path("new.zip"), f.path("new.dat"), f.path("new.dat"), true); }, u"%1/new.zip: "_s, "", false},
    {"ExtractAnEntry", [](const Folder& f) -> qint64 { return makeZip(f.path("game.zip"), {{"game.dat", datBody(300000)}}) ? 299999 : 0; },
     extractEntry, u"%1/game.zip\n"_s, "", false},
};

void PrintTo(const WriteFault& writer, std::ostream* out) { *out << writer.name; }

std::string writerName(const ::testing::TestParamInfo<WriteFault>& writer)
{
    return writer.param.name;
}

// The writer failed with a reason that begins as it should and ends with `systemWords`, and every
// file but its scratch file is as it was.
void expectFailureLeavingTheFiles(const WriteFault& writer, const Folder& folder, const QMap<QString, QByteArray>& before,
                                  bool ok, const QString& reason, const QString& systemWords)
{
    EXPECT_FALSE(ok);
    EXPECT_TRUE(reason.startsWith(writer.reasonStart.arg(folder.root()))) << reason.toStdString();
    EXPECT_TRUE(reason.endsWith(systemWords)) << reason.toStdString();
    const QMap<QString, QByteArray> after = folder.snapshot(writer.scratch);
    EXPECT_EQ(after.keys(), before.keys());
    EXPECT_TRUE(after == before);
}

class WriteFaults : public ::testing::TestWithParam<WriteFault> {};

TEST_P(WriteFaults, FailWithTheSystemsReasonAndLeaveTheFilesAsTheyWere)
{
    const Folder folder;
    const qint64 limit = GetParam().prepare(folder);
    ASSERT_GT(limit, 0);
    const QMap<QString, QByteArray> before = folder.snapshot(GetParam().scratch);
    qputenv("XDG_RUNTIME_DIR", folder.path("tmp").toLocal8Bit());
    const ChildOutcome outcome = RunUnderFileSizeLimit(limit, [&] { return GetParam().write(folder); });
    qunsetenv("XDG_RUNTIME_DIR");

    EXPECT_TRUE(outcome.finished) << "the child must not be killed by the limit";
    expectFailureLeavingTheFiles(GetParam(), folder, before, outcome.ok, outcome.reason, u"File too large"_s);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriteFaults, ::testing::ValuesIn(writeFaults), writerName);

// Whether this program runs with the failing flush preloaded.
bool failingFlushPreloaded()
{
    return dlsym(RTLD_DEFAULT, "quillonFailingFlushLoaded") != nullptr;
}

// The preload list for a child with the failing flush. A sanitizer runtime loaded as a shared
// library (GCC's AddressSanitizer) insists on coming first, so the one this program has leads.
QString preloadWithFailingFlush()
{
    QStringList preload;
    dl_iterate_phdr([](dl_phdr_info* library, size_t, void* list) {
        if (std::strstr(library->dlpi_name, "/libasan.so"))
            static_cast<QStringList*>(list)->append(QFile::decodeName(library->dlpi_name));
        return 0;
    }, &preload);
    preload.append(QStringLiteral(FAILING_FLUSH_SHIM));
    return preload.join(u':');
}

// Runs the current test again in a child program in which flushes can fail. Empty when it
// passed, else what it printed.
QString runThisTestWhereFlushesFail()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_PRELOAD"_s, preloadWithFailingFlush());
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {u"--gtest_filter="_s + QString::fromUtf8(test->test_suite_name()) + u'.' + QString::fromUtf8(test->name())});
    const bool exited = child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit;
    const QString output = QString::fromLocal8Bit(child.readAll());
    const bool passed = exited && child.exitCode() == 0 && output.contains(u"[  PASSED  ] 1 test."_s);
    return passed ? QString() : output + child.errorString();
}

std::vector<WriteFault> writersThatReplaceAFile()
{
    std::vector<WriteFault> writers;
    std::copy_if(std::begin(writeFaults), std::end(writeFaults), std::back_inserter(writers),
                 [](const WriteFault& writer) { return writer.replacesAFile; });
    return writers;
}

class FlushFaults : public ::testing::TestWithParam<WriteFault> {};

TEST_P(FlushFaults, FailWithTheSystemsReasonAndLeaveTheFilesAsTheyWere)
{
    if (!failingFlushPreloaded()) {
        const QString childFailure = runThisTestWhereFlushesFail();
        EXPECT_TRUE(childFailure.isEmpty()) << childFailure.toStdString();
        return;
    }
    // The temporary files of the application and of the stand-in dialogs live elsewhere, on a
    // disk that works.
    const Folder folder;
    const QTemporaryDir workingTemp;
    ASSERT_GT(GetParam().prepare(folder), 0);
    const QMap<QString, QByteArray> before = folder.snapshot(GetParam().scratch);
    qputenv("TMPDIR", workingTemp.path().toLocal8Bit());
    qputenv("FAILING_FLUSH_FOLDER", QFile::encodeName(QFileInfo(folder.root()).canonicalFilePath()));
    const Outcome outcome = GetParam().write(folder);
    qunsetenv("FAILING_FLUSH_FOLDER");
    qunsetenv("TMPDIR");
    expectFailureLeavingTheFiles(GetParam(), folder, before, outcome.ok(), outcome.reason(), u"Input/output error"_s);
}

INSTANTIATE_TEST_SUITE_P(EveryWriterThatReplacesAFile, FlushFaults, ::testing::ValuesIn(writersThatReplaceAFile()),
                         writerName);

}  // namespace
}  // namespace quillon
