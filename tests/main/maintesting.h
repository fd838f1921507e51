#pragma once

// What the main folder's tests share: the demo DATs, what setdelta writes when run on its own, an
// application folder holding the real tool, and a small report of the tool.
#include "diffresults.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon::testing {

// Two versions of a made-up set list that ship with the project, the newer one also zipped.
inline const QString oldDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.0.dat");
inline const QString newDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.dat");
inline const QString newZip = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.zip");

// What setdelta writes when run by hand in a folder of its own.
inline QByteArray setdeltaAlone(const QString& switches, const QString& source, const QString& compare)
{
    QTemporaryDir work;
    QProcess process;
    process.setWorkingDirectory(work.path());
    process.start(QStringLiteral(SETDELTA_PATH), switches.split(u' ', Qt::SkipEmptyParts) << source << compare);
    EXPECT_TRUE(process.waitForFinished(60000));
    return readAll(work.filePath(QStringLiteral("setdelta.dat")));
}

// The DAT as setdelta reads it: its header's name and version, its counts.
inline DiffInput setdeltaReading(const QString& dat)
{
    QTemporaryDir work;
    QProcess process;
    process.setWorkingDirectory(work.path());
    process.start(QStringLiteral(SETDELTA_PATH), {QStringLiteral("--json"), QStringLiteral("report.json"), dat, dat});
    EXPECT_TRUE(process.waitForFinished(60000));
    const Result<DiffResults> loaded = LoadDiffResults(work.filePath(QStringLiteral("report.json")), {});
    EXPECT_TRUE(loaded.ok()) << loaded.reason().toStdString();
    return loaded ? loaded->oldInput : DiffInput{};
}

// Puts the real tool into sdelta/ of an application folder, as the install does; returns its path.
inline QString putRealTool(const QTemporaryDir& application)
{
    QDir(application.path()).mkdir(QStringLiteral("sdelta"));
    const QString tool = application.filePath(QStringLiteral("sdelta/setdelta"));
    QFile::link(QStringLiteral(SETDELTA_PATH), tool);
    return tool;
}

// The report of a real setdelta run with `arguments` (without --json) in `folder`; its path.
inline QString setdeltaReport(const QTemporaryDir& folder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(QStringLiteral(SETDELTA_PATH), QStringList{QStringLiteral("--json"), QStringLiteral("report.json")} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return folder.filePath(QStringLiteral("report.json"));
}

// Two releases in which sf1 became sf, with ROM a kept, b renamed bb, c removed
// and d added; beside it keep gains a ROM, gone goes and fresh comes.
inline const QByteArray MovedOld = "game ( name keep description \"Kept\" rom ( name k1 size 1 crc 00000001 ) )\n"
                                   "game ( name sf1 description \"Street Fighter\" rom ( name a size 1 crc 00000011 )"
                                   " rom ( name b size 1 crc 00000012 ) rom ( name c size 1 crc 00000013 ) )\n"
                                   "game ( name gone description \"Gone Game\" rom ( name g1 size 1 crc 00000021 ) )\n";
inline const QByteArray MovedNew = "game ( name keep description \"Kept\" rom ( name k1 size 1 crc 00000001 )"
                                   " rom ( name k2 size 1 crc 00000002 ) )\n"
                                   "game ( name fresh description \"Fresh Game\" rom ( name f1 size 1 crc 00000031 ) )\n"
                                   "game ( name sf description \"Street Fighter (US)\""
                                   " rom ( name a size 1 crc 00000011 ) rom ( name bb size 1 crc 00000012 )"
                                   " rom ( name d size 1 crc 00000014 ) )\n";

// The report of setdelta over MovedOld and MovedNew, written into `folder`.
inline QString movedSetsReport(const QTemporaryDir& folder)
{
    writeFile(folder.filePath(QStringLiteral("old.dat")), MovedOld);
    writeFile(folder.filePath(QStringLiteral("new.dat")), MovedNew);
    return setdeltaReport(folder, {QStringLiteral("old.dat"), QStringLiteral("new.dat")});
}

// A small setdelta report: one set of each status, a rename, and names and descriptions that
// need CSV quoting.
inline QByteArray sampleDiffReport()
{
    return R"json({
  "format": "setdelta-report", "version": 1, "setdelta_version": "1.4.0",
  "old": {"file": "/dats/mame0139.dat", "entry": null, "format": "clrmamepro",
          "name": "MAME", "version": "0.139", "sets": 120, "objects": 900},
  "new": {"file": "/dats/mame0251.zip", "entry": "mame0251.xml", "format": "listxml",
          "build": "0.251 (mame0251)", "sets": 121, "objects": 905},
  "options": {"set_type": "split", "delta": 2, "objects": "rom", "renames": true, "nodump": true, "bios_in_sets": false},
  "summary": {"new_sets": 1, "removed_sets": 1, "changed_sets": 2, "renamed_sets": 1,
              "added_objects": 4, "removed_objects": 2, "renamed_objects": 2},
  "sets": [
    {"name": "newgame", "description": "New Game, \"deluxe\"", "parent": null, "status": "new",
     "objects": [{"kind": "rom", "name": "ng.1", "size": 4096, "crc": "0badf00d",
                  "md5": "00112233445566778899aabbccddeeff"},
                 {"kind": "rom", "name": "ng.2", "size": 8192, "crc": "12345678"}]},
    {"name": "pacman", "description": "Pac-Man (Midway)", "parent": null, "status": "changed",
     "added": [{"kind": "rom", "name": "pacman.7f", "size": 2048, "crc": "aabbccdd", "sha1": "0123456789abcdef0123456789abcdef01234567"}],
     "removed": [{"kind": "rom", "name": "pacman.7e", "size": 2048, "crc": "11223344"}],
     "renamed": [{"from": {"kind": "rom", "name": "pm1.bin", "size": 4096, "crc": "c1e6ab10"},
                  "to": {"kind": "rom", "name": "pacman.6e", "size": 4096, "crc": "c1e6ab10"}}]},
    {"name": "galaxian", "description": "Galaxian\nPart Two", "parent": null, "status": "changed",
     "added": [{"kind": "rom", "name": "bad.1", "crc": "00000000", "flags": ["baddump"]}], "removed": [], "renamed": []},
    {"name": "mspacman", "description": "Ms. Pac-Man", "parent": "pacman", "status": "renamed", "added": [], "removed": [],
     "renamed": [{"from": {"kind": "rom", "name": "boot1", "size": 4096, "crc": "d16b31b7"},
                  "to": {"kind": "rom", "name": "pacman.6e", "size": 4096, "crc": "d16b31b7"}}]},
    {"name": "oldgame", "description": "Old Game", "parent": "pacman", "status": "removed",
     "objects": [{"kind": "rom", "name": "og.1", "crc": "deadbeef", "flags": ["nodump"]}]}
  ]
})json";
}

// A chain report of three releases in the layout setdelta writes: a renamed twice to c, g gone
// after release 2 under its later name h, n new in release 3, and m new in release 2 and renamed
// to m2 in release 3 (so both new and moved).
inline QByteArray sampleChainReport()
{
    return R"json({"format": "setdelta-chain-report", "version": 1, "setdelta_version": "1.0.0",
  "options": {"set_type": "split", "objects": "rom", "nodump": false, "bios_in_sets": false},
  "releases": [{"file": "/dats/r1.dat", "entry": null, "format": "clrmamepro", "sets": 3, "objects": 6},
               {"file": "/dats/r2.zip", "entry": "r2.xml", "format": "xml-datafile", "sets": 3, "objects": 6},
               {"file": "/dats/r3.xml", "entry": null, "format": "listxml", "build": "0.3", "sets": 4, "objects": 8}],
  "steps": [{"from": 0, "to": 1, "new_sets": 3, "removed_sets": 2, "changed_sets": 1, "moved_sets": 2},
            {"from": 1, "to": 2, "new_sets": 3, "removed_sets": 2, "changed_sets": 0, "moved_sets": 2}],
  "summary": {"followed_sets": 3, "kept_sets": 1, "moved_sets": 2, "removed_sets": 1, "new_sets": 2},
  "moved_sets": [
{"old": {"name": "a", "description": "Game A", "release": 0}, "new": {"name": "c", "description": "Game C"}, "names": [{"name": "a", "release": 0}, {"name": "b", "release": 1}, {"name": "c", "release": 2}]},
{"old": {"name": "m", "description": "Game M", "release": 1}, "new": {"name": "m2", "description": "Game M2"}, "names": [{"name": "m", "release": 1}, {"name": "m2", "release": 2}]}
  ],
  "removed_sets": [
{"name": "g", "description": "Game G", "last_name": "h", "first_release": 0, "last_release": 1, "removed_in": 2}
  ],
  "new_sets": [
{"name": "m2", "description": "Game M2", "first_release": 1, "first_name": "m"},
{"name": "n", "description": "Game N", "first_release": 2}
  ]})json";
}

}  // namespace quillon::testing

// The folder's tests name the application's types, these helpers and string literals unqualified.
using namespace quillon;
using namespace quillon::testing;
using namespace Qt::Literals::StringLiterals;
