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

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::ChildOutcome;
using testing::makeZip;
using testing::readAll;
using testing::RunUnderFileSizeLimit;
using testing::ScriptedDatDialogs;
using testing::ScriptedPrompter;
using testing::writeFile;

const QString tooLarge = QStringLiteral("File too large");

// A DAT body of about `size` bytes.
QByteArray datBody(int size)
{
    QByteArray body;
    for (int index = 0; body.size() < size; ++index)
        body += "game (\r\n\tname g" + QByteArray::number(index) + "\r\n\trom ( name r.bin size 1024 crc 1a2b3c4d )\r\n)\r\n";
    return body;
}

// Each writer runs in a child process whose files may not grow past a limit just below what it
// writes, as on a disk that fills during the write. The folder must then look exactly as before.
class WriteFaults : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }

    // Every file of the folder, hidden ones included, with its content.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readAll(path(name)));
        return files;
    }

    ChildOutcome runFull(qint64 limitBytes, const std::function<Outcome()>& work)
    {
        before_ = snapshot();
        return RunUnderFileSizeLimit(limitBytes, work);
    }

    void expectNothingChanged() const { EXPECT_EQ(snapshot().keys(), before_.keys()); EXPECT_TRUE(snapshot() == before_); }

private:
    QTemporaryDir folder_;
    QMap<QString, QByteArray> before_;
};

void expectFailedBecauseTooLarge(const ChildOutcome& outcome)
{
    EXPECT_TRUE(outcome.finished) << "the child must not be killed by the limit";
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.reason.endsWith(tooLarge)) << outcome.reason.toStdString();
}

// A window command says nothing back but what it showed: its last message is its outcome.
Outcome lastMessage(const ScriptedPrompter& prompter, const QString& success)
{
    const QString last = prompter.texts().isEmpty() ? QString() : prompter.texts().last();
    return last == success ? Outcome::success() : Outcome::failure(last);
}

TEST_F(WriteFaults, CopyingAndJoiningKeepTheDestination)
{
    writeFile(path("user.dat"), "the user's DAT\r\n");
    writeFile(path("result.dat"), datBody(100000));
    writeFile(path("header"), "clrmamepro (\r\n)\r\n");
    const qint64 joinedSize = QFileInfo(path("header")).size() + QFileInfo(path("result.dat")).size() + 4;

    expectFailedBecauseTooLarge(runFull(joinedSize - 1, [&] {
        return JoinTextFiles(path("user.dat"), {path("header"), path("result.dat")});
    }));
    expectNothingChanged();

    const ChildOutcome copy = runFull(QFileInfo(path("result.dat")).size() - 1, [&] {
        return CopyFileReplacing(path("result.dat"), path("user.dat"));
    });
    expectFailedBecauseTooLarge(copy);
    EXPECT_EQ(copy.reason, path("user.dat") + ": " + tooLarge);
    expectNothingChanged();
}

TEST_F(WriteFaults, APanelMoveKeepsItsSourceAndTheDestination)
{
    QDir(path("")).mkpath("right");
    writeFile(path("game.dat"), datBody(300000));
    writeFile(path("right/game.dat"), "the older copy\r\n");
    const qint64 limit = QFileInfo(path("game.dat")).size() - 1;

    for (const bool move : {false, true}) {
        const ChildOutcome outcome = runFull(limit, [&] {
            ScriptedPrompter prompter;
            prompter.answerNext(PromptAnswer::Yes);
            FileCopy(prompter, path("game.dat"), path("right/game.dat"), move);
            return lastMessage(prompter, move ? "File succesfully moved.\n\n" : "File succesfully copied.\n\n");
        });
        expectFailedBecauseTooLarge(outcome);
        EXPECT_EQ(outcome.reason, "An error has occurred during the copy of the file.\n\n" + path("right/game.dat") + ": " + tooLarge);
        EXPECT_EQ(readAll(path("right/game.dat")), "the older copy\r\n");
        EXPECT_EQ(QDir(path("right")).entryList(QDir::Files | QDir::Hidden), QStringList{"game.dat"});
        expectNothingChanged();
    }

    const ChildOutcome leftCopy = runFull(limit, [&] {
        ScriptedPrompter prompter;
        prompter.answerNext(PromptAnswer::Yes);
        CopyFileAskingFirst(prompter, nullptr, path("game.dat"), path("right/game.dat"));
        return prompter.texts().size() == 1 ? Outcome::success() : lastMessage(prompter, {});
    });
    expectFailedBecauseTooLarge(leftCopy);
    EXPECT_EQ(readAll(path("right/game.dat")), "the older copy\r\n");
    expectNothingChanged();
}

TEST_F(WriteFaults, HeaderFilesAndHeaderCopiesSayWhyTheyFailed)
{
    writeFile(path("cmh1.tmp"), "");
    expectFailedBecauseTooLarge(runFull(40, [&] {
        return WriteHeaderFile(path("cmh1.tmp"), DatHeader{.name = "Name", .description = "A description"});
    }));
    expectNothingChanged();

    writeFile(path("game.dat"), "clrmamepro (\r\n\tname \"old\"\r\n)\r\n" + datBody(200000));
    expectFailedBecauseTooLarge(runFull(100000, [&] {
        return AppendDatWithoutHeader(path("cmh1.tmp"), path("game.dat"));
    }));
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

TEST_F(WriteFaults, DatInformationKeepsThePlainAndTheZippedDat)
{
    const QByteArray dat = "clrmamepro (\r\n\tname \"old\"\r\n)\r\n" + datBody(200000);
    writeFile(path("game.dat"), dat);
    // The archive outgrows the limit only when the DAT has been taken out and rewritten, so that
    // storing it back is the write that fails.
    ASSERT_TRUE(makeZip(path("game.zip"), {{"sub/game.dat", dat}, {"noise.bin", noise(dat.size())}}));
    const QString tempFolder = path("tmp");
    QDir(path("")).mkpath("tmp");
    qputenv("TMPDIR", tempFolder.toLocal8Bit());

    for (const QString& file : {path("game.dat"), path("game.zip")}) {
        const qint64 limit = file.endsWith(".zip") ? dat.size() + 1000 : dat.size() - 1000;
        const ChildOutcome outcome = runFull(limit, [&] {
            ScriptedDatDialogs dialogs;
            dialogs.pickNext("sub/game.dat");
            dialogs.saveNext(DatHeader{.name = "new"});
            ScriptedPrompter prompter;
            ShowDatInformation(file, dialogs, prompter, nullptr);
            const bool critical = !prompter.messages().isEmpty() && prompter.messages().last().icon == PromptIcon::Critical;
            return critical ? Outcome::failure(prompter.texts().last()) : Outcome::success();
        });
        expectFailedBecauseTooLarge(outcome);
        EXPECT_TRUE(outcome.reason.startsWith("The header of " + file + " could not be rewritten")) << outcome.reason.toStdString();
        expectNothingChanged();
        EXPECT_TRUE(QDir(tempFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    qunsetenv("TMPDIR");
}

TEST_F(WriteFaults, ZippingKeepsTheArchiveAndTheFileToAdd)
{
    writeFile(path("new.dat"), datBody(400000));
    ASSERT_TRUE(makeZip(path("old.zip"), {{"readme.txt", "hello"}, {"new.dat", "old body"}}));

    for (const QString& archive : {path("old.zip"), path("created.zip")}) {
        // What the archive grows to when nothing stops it.
        const QString probe = path("probe/a.zip");
        QDir(path("")).mkpath("probe");
        QFile::copy(archive, probe);
        ASSERT_TRUE(AddToZip(probe, path("new.dat"), path("new.dat")));
        const qint64 grownSize = QFileInfo(probe).size();
        QDir(path("probe")).removeRecursively();

        expectFailedBecauseTooLarge(runFull(grownSize - 1, [&] {
            return AddToZip(archive, path("new.dat"), path("new.dat"), true);
        }));
        expectNothingChanged();
    }
}

TEST_F(WriteFaults, ExtractionLeavesNoTemporaryFile)
{
    const QByteArray dat = datBody(300000);
    ASSERT_TRUE(makeZip(path("game.zip"), {{"game.dat", dat}}));
    const QString tempFolder = path("tmp");
    QDir(path("")).mkpath("tmp");
    qputenv("TMPDIR", tempFolder.toLocal8Bit());

    const ChildOutcome outcome = runFull(dat.size() - 1, [&] {
        ScriptedPrompter prompter;
        frmZip window(prompter);
        window.ExtractTempFile(path("game.zip"), ListZip(path("game.zip"))->at(0));
        return window.tempFile().isEmpty() ? Outcome::failure(prompter.texts().join('|')) : Outcome::success();
    });
    qunsetenv("TMPDIR");

    expectFailedBecauseTooLarge(outcome);
    EXPECT_TRUE(outcome.reason.startsWith(path("game.zip") + '\n')) << "shown with the archive's name";
    EXPECT_TRUE(QDir(tempFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    expectNothingChanged();
}

}  // namespace
}  // namespace quillon
