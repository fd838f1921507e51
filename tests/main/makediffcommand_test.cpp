// quillon --make-diff run as a script would run it: the real program, with no display, the real
// setdelta, real files.
#include "diffresults.h"
#include "maintesting.h"
#include "makediffcommand.h"
#include "settingsstore.h"
#include "switches.h"
#include "ziparchive.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include <sys/stat.h>

namespace {

struct CommandRun {
    int status = -1;
    QString out, err;
};

class MakeDiffCommand : public ::testing::Test {
protected:
    // Neither a display nor a platform plugin: the command must not need one.
    void start(QProcess& process, const QStringList& arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(variable);
        for (const QString& folder : {u"CONFIG"_s, u"CACHE"_s, u"STATE"_s})
            environment.insert(u"XDG_"_s + folder + u"_HOME"_s, home.filePath(folder.toLower()));
        if (!temporaryFolder.isEmpty())
            environment.insert(u"TMPDIR"_s, temporaryFolder);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUILLON_PATH), arguments);
    }

    static CommandRun finished(QProcess& process)
    {
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    CommandRun makeDiff(const QStringList& arguments, const std::function<void()>& inChild = {}) const
    {
        QProcess process;
        if (inChild)
            process.setChildProcessModifier(inChild);
        start(process, QStringList{u"--make-diff"_s} + arguments);
        return finished(process);
    }

    QTemporaryDir home;
    QTemporaryDir out;
    QString destination = out.filePath(u"diff"_s);
    QString temporaryFolder;  // TMPDIR of the runs; empty: the test's own
};

TEST_F(MakeDiffCommand, WritesTheToolsOwnResultWithTheSettingsSwitchesUnlessGivenAndKeepsTheReportAsked)
{
    const CommandRun run = makeDiff({oldDat, newDat, destination + u".DAT"_s, u"--switches"_s, u"-m -d1 -r"_s});
    EXPECT_EQ(run.status, exitCreated) << run.err.toStdString();
    EXPECT_EQ(run.out, destination + u".DAT\n"_s) << "exactly one line: the file written";
    EXPECT_EQ(readAll(destination + u".DAT"_s), setdeltaAlone(u"-m -d1 -r"_s, oldDat, newDat));
    EXPECT_TRUE(run.err.contains(u"Wrote setdelta.dat"_s)) << "the tool's summary goes to the error stream";

    const QString settings = home.filePath(u"config/Quillon/Quillon.ini"_s);
    QDir().mkpath(home.filePath(u"config/Quillon"_s));
    writeFile(settings, "[Options]\nSetType=1\nDatType=0\n");
    const CommandRun zipped = makeDiff({oldDat, newDat, destination, u"--zip"_s});
    ASSERT_EQ(zipped.status, exitCreated) << zipped.err.toStdString();
    EXPECT_EQ(zipped.out, destination + u".zip\n"_s);
    ASSERT_TRUE(ExtractZipEntry(destination + u".zip"_s, u"diff.dat"_s, out.filePath(u"check.tmp"_s)));
    EXPECT_EQ(readAll(out.filePath(u"check.tmp"_s)), setdeltaAlone(BuildDiffSwitches(SettingsStore(settings)), oldDat, newDat));

    const QString report = out.filePath(u"report.json"_s);
    EXPECT_EQ(makeDiff({oldDat, newDat, destination, u"--json"_s, report}).status, exitCreated);
    EXPECT_TRUE(LoadDiffResults(report, {}).ok());

    const CommandRun blocked = makeDiff({oldDat, newDat, destination, u"--json"_s, out.filePath(u"no/report.json"_s)});
    EXPECT_EQ(blocked.status, exitFailed) << "a report that cannot be kept fails the run";
    EXPECT_TRUE(blocked.err.contains(u"quillon: "_s + out.filePath(u"no/report.json"_s))) << blocked.err.toStdString();
}

TEST_F(MakeDiffCommand, AReportNamingAFileOfTheRunIsRefusedAndOneThatCannotBeWrittenLeavesTheResultAlone)
{
    // Copies, so that a report written over an input cannot harm the demo.
    const QString first = out.filePath(u"old.dat"_s);
    const QString second = out.filePath(u"new.zip"_s);
    const QString header = out.filePath(u"header.dat"_s);
    ASSERT_TRUE(QFile::copy(oldDat, first) && QFile::copy(newZip, second) && QFile::copy(oldDat, header));
    const QString link = out.filePath(u"link.json"_s);
    ASSERT_TRUE(QFile::link(first, link));
    writeFile(destination + u".dat"_s, "earlier result");
    ASSERT_TRUE(AddToZip(destination + u".zip"_s, newDat, u"other.dat"_s));
    const QString laterResult = out.filePath(u"later"_s);
    const QString laterLink = out.filePath(u"later.json"_s);
    ASSERT_TRUE(QFile::link(laterResult + u".dat"_s, laterLink)) << "a link to a result yet to be written";

    const QList<std::pair<QString, QString>> clashes{
        {first, destination}, {second, destination}, {link, destination}, {header, destination},
        {destination + u".dat"_s, destination}, {destination + u".zip"_s, destination},
        {laterLink, laterResult}};
    for (const auto& [report, target] : clashes) {
        SCOPED_TRACE(report.toStdString());
        const QByteArray before = readAll(report);
        const CommandRun run = makeDiff({first, second, target, u"--zip"_s, u"--json"_s, report,
                                         u"--header-from"_s, header});
        EXPECT_EQ(run.status, exitUsage) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(u"quillon: --json "_s)) << run.err.toStdString();
        EXPECT_EQ(readAll(report), before);
        EXPECT_FALSE(run.err.contains(u"setdelta"_s)) << "nothing ran";
    }
    EXPECT_EQ(readAll(destination + u".dat"_s), "earlier result");
    EXPECT_FALSE(QFileInfo::exists(laterResult + u".dat"_s));

    QDir().mkpath(out.filePath(u"locked"_s));
    const CommandRun blocked = makeDiff({first, second, destination, u"--json"_s, out.filePath(u"locked"_s)});
    EXPECT_EQ(blocked.status, exitFailed);
    EXPECT_EQ(readAll(destination + u".dat"_s), "earlier result") << "the report failed before the result was written";
}

// The header goes into the result through the run's own folder: a temporary folder the user
// cannot write changes nothing, and nothing is left there.
TEST_F(MakeDiffCommand, AnUnwritableTemporaryFolderStillGivesTheHeaderAskedFor)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder; the unprivileged run of this test tries it";
    temporaryFolder = home.filePath(u"tmp"_s);
    QDir().mkpath(temporaryFolder);
    QFile::setPermissions(temporaryFolder, QFile::ReadOwner | QFile::ExeOwner);
    for (const bool zip : {false, true}) {
        QStringList arguments{oldDat, newDat, destination, u"--header-from"_s, oldDat};
        if (zip)
            arguments << u"--zip"_s;
        const CommandRun run = makeDiff(arguments);
        ASSERT_EQ(run.status, exitCreated) << run.err.toStdString();
        if (zip) {
            ASSERT_TRUE(ExtractZipEntry(destination + u".zip"_s, u"diff.dat"_s, out.filePath(u"check.dat"_s)));
        }
        const QByteArray written = readAll(zip ? out.filePath(u"check.dat"_s) : destination + u".dat"_s);
        EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"Quillon Demo Arcade\"")) << written.left(80).toStdString();
        EXPECT_TRUE(written.endsWith(QByteArray(")\r\n\r\n" + setdeltaAlone(u"-s -d2 -z"_s, oldDat, newDat) + "\r\n")));
    }
    EXPECT_EQ(QDir(temporaryFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// The program as a shell starts it: SIGXFSZ at its default action, which would kill it.
TEST_F(MakeDiffCommand, AResultBeyondTheFileSizeLimitIsAReportedFailureThatLeavesNothingBehind)
{
    QByteArray games = readAll(oldDat);
    for (quint32 game = 0; game < 3000; ++game)
        games += u"game (\n\tname g%1\n\trom ( name g%1.bin size 1024 crc %2 )\n)\n"_s
                     .arg(game)
                     .arg(game * 2654435761U, 8, 16, QChar(u'0'))
                     .toUtf8();
    const QString bigger = out.filePath(u"bigger.dat"_s);
    writeFile(bigger, games);
    // The tool's own result fits; the result with its header in front does not.
    const auto limit = static_cast<rlim_t>(setdeltaAlone(u"-s -d2 -z"_s, oldDat, bigger).size() + 2);
    const CommandRun run = makeDiff({oldDat, bigger, destination, u"--switches"_s, u"-s -d2 -z"_s,
                                     u"--header-from"_s, oldDat},
                                    [limit] {
                                        std::signal(SIGXFSZ, SIG_DFL);
                                        const rlimit fileSize{limit, limit};
                                        ::setrlimit(RLIMIT_FSIZE, &fileSize);
                                    });
    EXPECT_EQ(run.status, exitFailed) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"File too large"_s)) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"bigger.dat"_s});
}

// Ctrl+C in a shell, or a SIGTERM from a script's timeout: the tool goes with Quillon, and so does
// the run folder.
TEST_F(MakeDiffCommand, ASignalEndsTheToolRemovesTheRunFolderAndExitsWithItsStatus)
{
    QTemporaryDir application;
    const QString program = application.filePath(u"quillon"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLON_PATH), program));
    QDir(application.path()).mkdir(u"sdelta"_s);
    writeFile(application.filePath(u"sdelta/setdelta"_s), "#!/bin/sh\necho \"$$ comparing\"\nexec sleep 30\n",
              QFile::ReadOwner | QFile::ExeOwner);
    QFile(program).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
        environment.insert(u"XDG_STATE_HOME"_s, home.filePath(u"state"_s));
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(program, {u"--make-diff"_s, oldDat, newDat, destination});
        QByteArray err;
        while (!err.contains(" comparing\n") && process.waitForReadyRead(10000))
            err += process.readAllStandardError();
        ASSERT_TRUE(err.contains(" comparing\n")) << err.toStdString();
        const auto tool = static_cast<pid_t>(err.left(err.indexOf(' ')).toLongLong());
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 128 + signalNumber);
        EXPECT_TRUE(process.readAllStandardError().startsWith("quillon: stopped by "));
        QDeadlineTimer toolEnds(5000);
        while (::kill(tool, 0) == 0 && !toolEnds.hasExpired())
            QThread::msleep(10);
        EXPECT_NE(::kill(tool, 0), 0) << "setdelta was ended";
        EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s));
        EXPECT_EQ(QDir(home.filePath(u"cache/Quillon"_s)).entryList({u"run-*"_s}, QDir::Dirs), QStringList());
    }
}

TEST_F(MakeDiffCommand, AnArchiveWithSeveralDatsNeedsTheEntryNamed)
{
    const QString archive = out.filePath(u"both.zip"_s);
    ASSERT_TRUE(AddToZip(archive, oldDat, u"old/demo.dat"_s));
    ASSERT_TRUE(AddToZip(archive, newDat, u"new/demo.dat"_s));

    const CommandRun unnamed = makeDiff({archive, newZip, destination});
    EXPECT_EQ(unnamed.status, exitUsage);
    EXPECT_TRUE(unnamed.err.contains(u"--old-entry"_s) && unnamed.err.contains(u"entries: old/demo.dat, new/demo.dat\n"_s))
        << "it names the option and lists the entries: " << unnamed.err.toStdString();

    const CommandRun named = makeDiff({archive, newZip, destination, u"--old-entry"_s, u"old/demo.dat"_s});
    EXPECT_EQ(named.status, exitCreated) << named.err.toStdString();
    EXPECT_EQ(readAll(destination + u".dat"_s), setdeltaAlone(u"-s -d2 -z"_s, oldDat, newDat)) << "an empty store's switches";
    EXPECT_TRUE(named.err.contains(archive + u" (entry old/demo.dat)"_s)) << "the log names archive and entry";
    EXPECT_TRUE(named.err.contains(newZip + u" (entry quillon_demo_1.1.dat)"_s)) << "the only DAT entry is taken";
    EXPECT_EQ(makeDiff({archive, newZip, destination, u"--old-entry"_s, u"none.dat"_s}).status, exitUsage);

    QByteArray damaged = readAll(archive);
    damaged[30 + 12 + 20] = static_cast<char>(damaged[30 + 12 + 20] ^ 0x55);  // inside old/demo.dat's data
    writeFile(archive, damaged);
    const CommandRun unreadable = makeDiff({archive, newZip, destination, u"--old-entry"_s, u"old/demo.dat"_s});
    EXPECT_EQ(unreadable.status, exitFailed);
    EXPECT_TRUE(unreadable.err.contains(u"setdelta: error: "_s + archive + u" (entry old/demo.dat)"_s))
        << "setdelta's own reason: " << unreadable.err.toStdString();
}

TEST_F(MakeDiffCommand, TheHeaderOfAnXmlDatafileComesFirstAndADatWithoutOneIsRefused)
{
    // No category and no author: the values that follow them must not be lost.
    const QString datafile = out.filePath(u"datafile.dat"_s);
    writeFile(datafile, "<?xml version=\"1.0\"?>\r\n<datafile>\r\n\t<header>\r\n\t\t<name>Neo &amp; Co</name>\r\n"
                        "\t\t<description>Neo Geo 1.0</description>\r\n\t\t<version>1.0</version>\r\n"
                        "\t</header>\r\n</datafile>\r\n");
    const CommandRun run = makeDiff({oldDat, newDat, destination, u"--header-from"_s, datafile, u"--switches"_s, u"-s"_s});
    ASSERT_EQ(run.status, exitCreated) << run.err.toStdString();
    const QByteArray written = readAll(destination + u".dat"_s);
    EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"Neo & Co\"\r\n\tdescription \"Neo Geo 1.0\"\r\n"
                                   "\tcategory \"\"\r\n\tversion \"1.0\"\r\n\tauthor \"\"\r\n"));
    EXPECT_EQ(setdeltaReading(destination + u".dat"_s).version, u"1.0"_s);
    EXPECT_TRUE(written.endsWith(QByteArray(")\r\n\r\n" + setdeltaAlone(u"-s"_s, oldDat, newDat) + "\r\n")));

    const QString headerless = out.filePath(u"headerless.dat"_s);
    writeFile(headerless, "game (\n\tname x\n)\n");
    const CommandRun refused = makeDiff({oldDat, newDat, out.filePath(u"other"_s), u"--header-from"_s, headerless});
    EXPECT_EQ(refused.status, exitUsage);
    EXPECT_TRUE(refused.err.contains(u"has no header block"_s)) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath(u"other.dat"_s)));
}

TEST_F(MakeDiffCommand, UsageErrorsAndFailuresSayWhyOnTheErrorStreamAndWriteNothing)
{
    const QList<QStringList> cases{{}, {oldDat, newDat}, {oldDat, newDat, destination, u"--frobnicate"_s},
                                   {oldDat, newDat, destination, u"--switches"_s},
                                   {oldDat, newDat, destination, u"--switches"_s, u"-o rom"_s},
                                   {oldDat, newDat, destination, u"--switches"_s, u"-s --chain"_s},
                                   {oldDat, newDat, destination, u"--switches"_s, u"--json other.json"_s},
                                   {oldDat, newDat, destination, u"--old-entry"_s, u"a.dat"_s}};
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CommandRun run = makeDiff(arguments);
        EXPECT_EQ(run.status, exitUsage);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(u"quillon: "_s)) << run.err.toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1) << "one line: " << run.err.toStdString();
    }

    // A run folder of a killed instance goes too.
    QDir().mkpath(home.filePath(u"cache/Quillon/run-killed"_s));
    const QString broken = out.filePath(u"broken.dat"_s);
    writeFile(broken, "game ( name x");
    const CommandRun failed = makeDiff({oldDat, broken, destination});
    EXPECT_EQ(failed.status, exitFailed);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_TRUE(failed.err.contains(u"\nquillon: setdelta: error: "_s + broken))
        << "setdelta's own line is the reason: " << failed.err.toStdString();
    EXPECT_EQ(failed.err.count(u"quillon: "_s), 1) << "one message";
    EXPECT_FALSE(failed.err.contains(u"setdelta.exe"_s)) << "not the window's words";

    const CommandRun unknownSwitch = makeDiff({oldDat, newDat, destination, u"--switches"_s, u"-q"_s});
    EXPECT_EQ(unknownSwitch.status, exitUsage);
    EXPECT_EQ(unknownSwitch.err, u"quillon: --switches: unknown switch '-q' (see quillon --help)\n"_s)
        << "one line, no usage text";

    const QString missing = out.filePath(u"missing.dat"_s);
    const CommandRun noHeader = makeDiff({oldDat, newDat, destination, u"--header-from"_s, missing});
    EXPECT_EQ(noHeader.status, exitFailed);
    EXPECT_TRUE(noHeader.err.contains(missing + u": No such file or directory"_s)) << noHeader.err.toStdString();

    const CommandRun refused = makeDiff({oldDat, newDat, oldDat});
    EXPECT_EQ(refused.status, exitUsage);
    EXPECT_EQ(refused.err, u"quillon: "_s + oldDat + u" is one of the DATs to compare; name another destination\n"_s);
    EXPECT_EQ(readAll(oldDat).left(12), "clrmamepro (");
    EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s));
    EXPECT_EQ(QDir(home.filePath(u"cache/Quillon"_s)).entryList({u"run-*"_s}, QDir::Dirs), QStringList());
}

TEST_F(MakeDiffCommand, TwoRunsAtTheSameTimeKeepTheirOutputsApart)
{
    QProcess forward;
    QProcess backward;
    start(forward, {u"--make-diff"_s, oldDat, newDat, out.filePath(u"forward"_s), u"--switches"_s, u"-s -d1"_s});
    start(backward, {u"--make-diff"_s, newDat, oldDat, out.filePath(u"backward"_s), u"--switches"_s, u"-s -d1"_s});
    EXPECT_EQ(finished(forward).status, exitCreated);
    EXPECT_EQ(finished(backward).status, exitCreated);
    EXPECT_EQ(readAll(out.filePath(u"forward.dat"_s)), setdeltaAlone(u"-s -d1"_s, oldDat, newDat));
    EXPECT_EQ(readAll(out.filePath(u"backward.dat"_s)), setdeltaAlone(u"-s -d1"_s, newDat, oldDat));
}

// The help is where users and the manual page learn what each start switch does: one kept only
// for old shortcuts and scripts must say that it does nothing.
TEST_F(MakeDiffCommand, HelpSaysWhichStartSwitchesAreIgnored)
{
    QProcess process;
    start(process, {u"--help"_s});
    const CommandRun run = finished(process);
    EXPECT_EQ(run.status, exitCreated);
    const QStringList lines = run.out.split(u'\n');
    for (const QString& start : {u"  -d, /d"_s, u"  -f, /f FILE"_s}) {
        SCOPED_TRACE(start.toStdString());
        const QStringList described = lines.filter(QRegularExpression(u"^"_s + QRegularExpression::escape(start)));
        ASSERT_EQ(described.size(), 1) << run.out.toStdString();
        EXPECT_TRUE(described.first().contains(u"accepted for compatibility and ignored"_s)) << described.first().toStdString();
    }
}

}  // namespace

// A pipe named as the header's source is refused at once with the reason, not waited on.
TEST_F(MakeDiffCommand, APipeAsTheHeadersSourceIsRefusedWithoutWaiting)
{
    const QString pipe = out.filePath(u"header.pipe"_s);
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess process;
    start(process, {u"--make-diff"_s, oldDat, newDat, destination, u"--header-from"_s, pipe});
    const bool ended = process.waitForFinished(10000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    EXPECT_TRUE(ended) << "the command waited on the pipe";
    EXPECT_EQ(process.exitCode(), exitFailed);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.contains(pipe + u": not a regular file"_s)) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s));
}
