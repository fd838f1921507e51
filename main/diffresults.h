#pragma once

#include "outcome.h"
#include "setrenamer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// What a Make Diff run found, as setdelta's JSON report describes it, kept for the results window.
namespace quillon {

// One DAT of the comparison, as setdelta read it.
struct DiffInput {
    QString file;
    QString entry;  // the entry inside an archive; empty for a plain file
    QString format;
    QString name;     // header name, when the DAT has one
    QString version;  // header version, when the DAT has one
    QString build;    // listxml build, when present
    qint64 sets = 0;
    qint64 objects = 0;
};

struct DiffOptions {
    QString setType;  // "split", "merged" or "non-merged"
    int delta = 2;    // 0 where it does not apply: a chain of releases
    QString objects;  // "rom", "disk" or "sample"
    bool renames = false;
    bool nodump = false;
    bool biosInSets = false;
};

struct DiffSummary {
    qint64 newSets = 0;
    qint64 removedSets = 0;
    qint64 changedSets = 0;
    qint64 renamedSets = 0;
    qint64 addedObjects = 0;
    qint64 removedObjects = 0;
    qint64 renamedObjects = 0;
    qint64 movedSets = 0;  // each also counted among the new and the removed sets

    // The sets that are new, or gone, under every name.
    qint64 trulyNewSets() const { return newSets - movedSets; }
    qint64 goneSets() const { return removedSets - movedSets; }
};

struct DiffObject {
    QString kind;  // "rom", "disk" or "sample"
    QString name;
    std::optional<qint64> size;
    QString crc;
    QString sha1;
    QString md5;
    QStringList flags;
};

struct RenamedObject {
    DiffObject from;
    DiffObject to;
};

// "Renamed": a set whose only differences are renamed objects; a set that also adds or removes
// objects is "Changed". "Moved": a set of OLD that NEW lists under another name, with mostly the
// same contents.
enum class SetStatus { New, Removed, Moved, Changed, Renamed };
inline constexpr int setStatusCount = 5;

// Where a moved set came from, and how much of it went along.
struct MovedFrom {
    QString oldName;
    QString oldDescription;
    qint64 sharedContents = 0;
    qint64 oldContents = 0;
    qint64 newContents = 0;
};

struct DiffSet {
    QString name;
    QString description;
    QString parent;  // empty for a set that is no clone
    SetStatus status = SetStatus::Changed;
    QList<DiffObject> objects;  // a new or removed set: all of its objects
    QList<DiffObject> added;    // a changed or renamed set: what changed
    QList<DiffObject> removed;
    QList<RenamedObject> renamed;
    QList<DiffObject> kept;  // a moved set: the objects both names hold alike
    MovedFrom move;          // a moved set: its old name
    QString releases;        // a chain of releases: in which releases the set was, under which names

    // "old -> new" for a moved set, else its name.
    QString shownName() const;

    // A new set counts all its objects as added, a removed one all as removed.
    qsizetype addedCount() const;
    qsizetype removedCount() const;
    qsizetype renamedCount() const { return renamed.size(); }
};

// One step of a chain of releases: what a comparison of the two releases, numbered from 1,
// counts.
struct ChainStep {
    int from = 0;
    int to = 0;
    qint64 newSets = 0;
    qint64 removedSets = 0;
    qint64 changedSets = 0;
    qint64 movedSets = 0;
};

struct DiffResults {
    QString setdeltaVersion;
    DiffInput oldInput;
    DiffInput newInput;
    DiffOptions options;
    DiffSummary summary;
    std::vector<DiffSet> sets;
    // Sets renamed between the two DATs, for Rename files.
    QList<SetMove> moves;
    // setdelta's readable report of the same run (setdelta.log), kept because the run's folder
    // is removed afterwards.
    QByteArray readableReport;
    // What Make Diff wrote, set by the caller: the diff DAT, the file that holds it (the DAT, or
    // the zip archive it went into), whether a header block went in front of it.
    QString destination;
    QString written;
    bool withHeader = false;
    bool zipped = false;
    // The report file the results were opened from, when they come from File > Open report.
    QString openedFrom;
    // A chain of releases: every release, oldest first (the first and the last are also the old
    // and the new input), and the steps between them. Its sets are the moved sets, the sets
    // removed on the way and the sets new since the first release; the summary counts them as
    // for two DATs, each moved set also among the new and the removed ones.
    std::vector<DiffInput> releases;
    std::vector<ChainStep> steps;

    bool isChain() const { return !releases.empty(); }
};

// Reads setdelta's JSON report (and, when a path is given, its readable report); `reportJson`,
// when given, receives the report's bytes. A file that cannot be read, is not a setdelta report,
// or is of a later version gives the reason. A moved set becomes one set of status Moved, named
// as NEW names it, in the place of its new and its removed set; moves follow the new sets.
Result<DiffResults> LoadDiffResults(const QString& reportPath, const QString& readableReportPath,
                                    QByteArray* reportJson = nullptr);
// The same from the report's bytes.
Outcome ParseDiffResults(const QByteArray& json, DiffResults& results);

// Where the results of the last Make Diff are kept between sessions:
// $XDG_STATE_HOME/Quillon/last-diff.json (~/.local/state/Quillon/ when XDG_STATE_HOME is unset).
QString KeptDiffResultsPath();
// Keeps the results in one file: what Make Diff wrote, the inputs as the user chose them, the
// readable report and setdelta's JSON report `reportJson` byte for byte. The folder is made for
// the user alone when missing; the file is replaced only when written completely, and a failure
// says why and leaves an existing file as it was.
Outcome KeepDiffResults(const DiffResults& results, const QByteArray& reportJson, const QString& path);
// Reads results kept by KeepDiffResults. A file that cannot be read or is not such a file gives
// the reason.
Result<DiffResults> LoadKeptDiffResults(const QString& path);

// Reads a report the user opens: setdelta's JSON report of two DATs or of a chain of releases,
// or results kept by KeepDiffResults.
// A file that is neither, or cannot be read, gives the reason, naming the file.
Result<DiffResults> OpenReport(const QString& path);

// Writes the readable report to a file, which is replaced only when written completely; a
// failure says why and leaves an existing file as it was.
Outcome SaveReadableReport(const DiffResults& results, const QString& path);

// How many sets of each status the results list, in the order of SetStatus: what the table
// shows for each status.
std::array<qint64, setStatusCount> SetsByStatus(const DiffResults& results);

// Words shown to the user.
QString StatusText(SetStatus status);
QString DescribeInput(const DiffInput& input);
QString DescribeOptions(const DiffOptions& options);
// Where the diff DAT went and in what form: "FILE, with a header block" or, zipped,
// "ARCHIVE (entry NAME), zipped, without a header block".
QString DescribeWritten(const DiffResults& results);

// One line of the detail of a set: what happened to one object.
struct ObjectChange {
    QString change;  // "Added", "Removed", "Renamed" or "Shared"
    QString kind;
    QString name;  // for a rename: "old name → new name"
    QString size;  // "-" where the DAT gives none (disks often have neither size nor CRC)
    QString crc;
    QString hash;  // the SHA-1, or "MD5 ..." where only that is known, or "-"
    QString flags;
    QString hashes;  // "SHA-1 ..." and "MD5 ..." lines, when known
};
QList<ObjectChange> DescribeObjectChanges(const DiffSet& set);
// "k of n contents shared", n being the contents of the two sets together.
QString DescribeSharedContents(const MovedFrom& move);

}  // namespace quillon
