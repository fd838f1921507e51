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
#include "ziparchive.h"
#include "ziptestfiles.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::ChildOutcome;
using testing::makeZip;
using testing::ScriptedPrompter;
using testing::writeFile;

// A DAT body of about `size` bytes.
QByteArray datBody(int size)
{
    QByteArray body;
    for (int index = 0; body.size() < size; ++index)
        body += "game (\r\n\tname g" + QByteArray::number(index) + "\r\n\trom ( name r.bin size 1024 crc 1a2b3c4d )\r\n)\r\n";
    return body;
}

// Bytes that deflate cannot shrink.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

const QByteArray headedDat = "clrmamepro (\r\n\tname \"old\"\r\n)\r\n" + datBody(200000);

// The user's folder, with a tmp/ folder that serves as TMPDIR.
class Folder {
public:
    Folder() { QDir(dir_.path()).mkpath(u"tmp"_s); }
    QString root() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    qint64 write(const QString& name, const QByteArray& content) const
    {
        QDir(dir_.path()).mkpath(QFileInfo(path(name)).path());
        writeFile(path(name), content);
        return content.size();
    }
    // Every file under the folder, hidden ones and temporary ones included, with its content.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            files.insert(file, testing::readAll(file));
        }
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

Outcome panelCopy(const Folder& folder, bool move)
{
    ScriptedPrompter prompter;
    prompter.answerNext(PromptAnswer::Yes);
    FileCopy(prompter, folder.path(u"game.dat"_s), folder.path(u"right/game.dat"_s), move);
    return lastMessage(prompter, move ? u"File succesfully moved.\n\n"_s : u"File succesfully copied.\n\n"_s);
}

Outcome datInformation(const QString& file)
{
    testing::ScriptedDatDialogs dialogs;
    dialogs.pickNext(u"sub/game.dat"_s);
    dialogs.saveNext(DatHeader{.name = u"new"_s});
    ScriptedPrompter prompter;
    ShowDatInformation(file, dialogs, prompter, nullptr);
    const bool critical = !prompter.messages().isEmpty() && prompter.messages().last().icon == PromptIcon::Critical;
    return critical ? lastMessage(prompter) : Outcome::success();
}

// One writer of the application. `prepare` writes the user's files and gives a file size limit
// below what the writer must write, as on a disk that fills during the write; the reason must
// begin with `reasonStart` (%1 is the folder) and end with the system's words. Only `scratch`,
// a temporary file of the application's own, may be left partly written.
struct WriteFault {
    const char* name;
    std::function<qint64(const Folder&)> prepare;
    std::function<Outcome(const Folder&)> write;
    QString reasonStart;
    QString scratch = {};
};

const QString copyFailed = u"An error has occurred during the copy of the file.\n\n%1/right/game.dat: "_s;

const WriteFault writeFaults[] = {
    {"JoinTextFiles",
     [](const Folder& f) { return f.write(u"user.dat"_s, "x") + f.write(u"header"_s, "h\r\n") + f.write(u"result.dat"_s, datBody(100000)); },
     [](const Folder& f) { return JoinTextFiles(f.path(u"user.dat"_s), {f.path(u"header"_s), f.path(u"result.dat"_s)}); }, {}},
    {"CopyFileReplacing",
     [](const Folder& f) { return f.write(u"user.dat"_s, "x") + f.write(u"result.dat"_s, datBody(100000)) - 2; },
     [](const Folder& f) { return CopyFileReplacing(f.path(u"result.dat"_s), f.path(u"user.dat"_s)); }, u"%1/user.dat: "_s},
    {"PanelCopy",
     [](const Folder& f) { return f.write(u"right/game.dat"_s, "older\r\n") + f.write(u"game.dat"_s, datBody(300000)) - 8; },
     [](const Folder& f) { return panelCopy(f, false); }, copyFailed},
    {"PanelMove",
     [](const Folder& f) { return f.write(u"right/game.dat"_s, "older\r\n") + f.write(u"game.dat"_s, datBody(300000)) - 8; },
     [](const Folder& f) { return panelCopy(f, true); }, copyFailed},
    {"LeftPanelCopy",
     [](const Folder& f) { return f.write(u"right/game.dat"_s, "older\r\n") + f.write(u"game.dat"_s, datBody(300000)) - 8; },
     [](const Folder& f) {
         ScriptedPrompter prompter;
         prompter.answerNext(PromptAnswer::Yes);
         CopyFileAskingFirst(prompter, nullptr, f.path(u"game.dat"_s), f.path(u"right/game.dat"_s));
         return prompter.texts().size() == 1 ? Outcome::success() : lastMessage(prompter);
     }, u"\"game.dat\" could not be copied.\n\n%1/right/game.dat: "_s},
    {"WriteHeaderFile", [](const Folder& f) { return f.write(u"cmh1.tmp"_s, {}) + 40; },
     [](const Folder& f) { return WriteHeaderFile(f.path(u"cmh1.tmp"_s), DatHeader{.name = u"Name"_s, .description = u"A description"_s}); }, {}},
    {"AppendDatWithoutHeader", [](const Folder& f) { return f.write(u"cmh1.tmp"_s, {}) + f.write(u"game.dat"_s, headedDat) / 2; },
     [](const Folder& f) { return AppendDatWithoutHeader(f.path(u"cmh1.tmp"_s), f.path(u"game.dat"_s)); }, {}, u"cmh1.tmp"_s},
    {"DatInformationOnADat", [](const Folder& f) { return f.write(u"game.dat"_s, headedDat) - 1000; },
     [](const Folder& f) { return datInformation(f.path(u"game.dat"_s)); }, u"The header of %1/game.dat could not be rewritten"_s},
    // The archive outgrows the limit only once the DAT has been taken out and rewritten, so that
    // storing it back is the write that fails.
    {"DatInformationInAZip",
     [](const Folder& f) { return makeZip(f.path(u"game.zip"_s), {{u"sub/game.dat"_s, headedDat}, {u"noise.bin"_s, noise(headedDat.size())}}) ? headedDat.size() + 1000 : 0; },
     [](const Folder& f) { return datInformation(f.path(u"game.zip"_s)); }, u"The header of %1/game.zip could not be rewritten"_s},
    {"AddToAnArchive",
     [](const Folder& f) { return makeZip(f.path(u"old.zip"_s), {{u"readme.txt"_s, "hello"}, {u"new.dat"_s, "old"}}) ? f.write(u"new.dat"_s, noise(400000)) : 0; },
     [](const Folder& f) { return AddToZip(f.path(u"old.zip"_s), f.path(u"new.dat"_s), f.path(u"new.dat"_s), true); }, u"%1/old.zip: "_s},
    {"CreateAnArchive", [](const Folder& f) { return f.write(u"new.dat"_s, noise(400000)); },
     [](const Folder& f) { return AddToZip(f.path(u"new.zip"_s), f.path(u"new.dat"_s), f.path(u"new.dat"_s), true); }, u"%1/new.zip: "_s},
    {"ExtractAnEntry",
     [](const Folder& f) { return makeZip(f.path(u"game.zip"_s), {{u"game.dat"_s, datBody(300000)}}) ? 299999 : 0; },
     [](const Folder& f) {
         ScriptedPrompter prompter;
         frmZip window(prompter);
         window.ExtractTempFile(f.path(u"game.zip"_s), ListZip(f.path(u"game.zip"_s))->at(0));
         return window.tempFile().isEmpty() ? lastMessage(prompter) : Outcome::success();
     }, u"%1/game.zip\n"_s},
};

void PrintTo(const WriteFault& writer, std::ostream* out) { *out << writer.name; }

class WriteFaults : public ::testing::TestWithParam<WriteFault> {};

TEST_P(WriteFaults, FailWithTheSystemsReasonAndLeaveTheFilesAsTheyWere)
{
    const Folder folder;
    const qint64 limit = GetParam().prepare(folder);
    ASSERT_GT(limit, 0);
    QMap<QString, QByteArray> before = folder.snapshot();
    before.remove(folder.path(GetParam().scratch));
    qputenv("TMPDIR", folder.path(u"tmp"_s).toLocal8Bit());
    const ChildOutcome outcome = testing::RunUnderFileSizeLimit(limit, [&] { return GetParam().write(folder); });
    qunsetenv("TMPDIR");

    EXPECT_TRUE(outcome.finished) << "the child must not be killed by the limit";
    EXPECT_FALSE(outcome.ok);
    const QString& start = GetParam().reasonStart;
    EXPECT_TRUE(outcome.reason.startsWith(start.isEmpty() ? start : start.arg(folder.root()))) << outcome.reason.toStdString();
    EXPECT_TRUE(outcome.reason.endsWith(u"File too large"_s)) << outcome.reason.toStdString();
    QMap<QString, QByteArray> after = folder.snapshot();
    after.remove(folder.path(GetParam().scratch));
    EXPECT_EQ(after.keys(), before.keys());
    EXPECT_TRUE(after == before);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriteFaults, ::testing::ValuesIn(writeFaults),
                         [](const ::testing::TestParamInfo<WriteFault>& writer) { return std::string(writer.param.name); });

}  // namespace
}  // namespace quillon
