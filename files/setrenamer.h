#pragma once

#include "outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class QJsonObject;

// Renaming a collection's files after sets were renamed between two releases: every entry named
// `old` or `old.<ext>` (a file, an archive, a folder such as a CHD folder) of the folders a user
// picks becomes `new` or `new.<ext>`. Nothing is ever overwritten, a journal written before the
// first rename undoes the run, and chains and swaps within one run are ordered so that no entry
// is lost or renamed twice.
namespace quillon {

// A set that was renamed between two releases.
struct SetMove {
    QString oldName;
    QString newName;

    bool operator==(const SetMove&) const = default;
};

// The moves a setdelta JSON report lists (`moved_sets`, each with `old.name` and `new.name`).
// Members and entries it does not know are ignored, so later reports keep working. A move whose
// names could not be file names (empty, ".", "..", with "/" or NUL), or that repeats the old or
// the new name of an earlier move, is left out and named in `ignored`.
struct SetMoves {
    QList<SetMove> moves;
    QStringList ignored;
};
Outcome ReadSetMoves(const QJsonObject& report, SetMoves& moves);
// The same from a report file. A file that is no setdelta report gives the reason.
Outcome LoadSetMoves(const QString& reportPath, SetMoves& moves);

enum class RenameAction {
    Rename,
    TargetExists,  // skipped: an entry of that name is there and stays
    TargetTaken,   // skipped: another entry of the same folder already becomes that name
};

// One entry to rename, in its folder.
struct PlannedRename {
    QString folder;  // absolute
    QString from;    // entry names in the folder
    QString to;
    RenameAction action = RenameAction::Rename;
    // Part of a ring of renames (a and b trading names): it passes through a temporary name.
    bool viaTemporary = false;
};

// The renames of a run in the order they are made, skipped ones included. `steps` are indexes
// into `renames`; a rename via a temporary name has two steps, into it and out of it later.
struct RenamePlan {
    struct Step {
        qsizetype rename = 0;
        enum Kind { Whole, IntoTemporary, OutOfTemporary } kind = Whole;
    };
    QList<PlannedRename> renames;
    QList<Step> steps;

    qsizetype renameCount() const;
};

// Plans the renames of `moves` in each of `folders` (several, each once). A folder that cannot
// be read gives the reason and no plan.
Outcome PlanSetRenames(const QList<SetMove>& moves, const QStringList& folders, RenamePlan& plan);

// What will happen to a planned entry, in words ("rename", "skip: sf.zip exists").
QString DescribePlanned(const PlannedRename& rename);

enum class RenameState { Planned, Renamed, Skipped, NotDone, Failed };

// What became of each planned rename.
struct RenameRun {
    QList<RenameState> states;  // one per planned rename
    QList<QString> notes;       // why a rename was skipped or failed
    QString journal;            // the journal written; empty when nothing was to be renamed
    qsizetype renamed = 0;
};

// The words of a rename's result for the user ("renamed", "skipped: sf.zip exists").
QString DescribeResult(const RenameRun& run, qsizetype index);

// Makes the renames of `plan`. Before the first one, a journal of them is written and flushed
// in `journalFolder` (made for the user alone if missing). Each rename refuses to replace an
// entry: a target that appeared since planning is skipped and noted. Any other failure stops
// the run with the reason; the journal then lists exactly the renames made, so undoing it puts
// everything back. Each folder is flushed to disk after its renames.
Outcome ApplyRenamePlan(const RenamePlan& plan, const QString& journalFolder, RenameRun& run);

// The journals in `journalFolder` that can still be undone, newest first.
QStringList RenameJournals(const QString& journalFolder);

// One line of a journal: an entry renamed from one absolute path to another.
struct JournalEntry {
    QString from;
    QString to;
};
// Reads a journal. A file that is no rename journal gives the reason.
Outcome ReadRenameJournal(const QString& journalPath, QList<JournalEntry>& entries);

// Whether a journal's rename is the step of an entry aside to a temporary name, on its way to
// a name that was still taken; users count such a rename once.
bool IsStepAside(const JournalEntry& entry);

struct UndoRun {
    qsizetype restored = 0;  // entries back under their old names
    QStringList problems;  // entries that could not be put back, and why
};

// Reverses a journal, last rename first, never replacing an entry: an entry whose old name is
// taken again stays as it is and is named in `problems`, as is one that is gone. A failure of
// the system stops the undo with the reason. What could not be undone stays in the journal, so
// a later undo tries it again; a journal undone completely is marked undone.
Outcome UndoRenameJournal(const QString& journalPath, UndoRun& run);

// Escapes a path for one field of a journal or a tab-separated line: backslash, tab, line
// breaks and other control characters become backslash sequences.
QString EscapeField(const QString& text);
QString UnescapeField(const QString& field, bool* ok = nullptr);

}  // namespace quillon
