#include "setrenamer.h"

#include "atomicfile.h"
#include "filedescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRandomGenerator>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// A report or journal larger than this is none of ours; reading it would only cost memory.
constexpr qint64 largestFile = qint64(1) << 30;

const QByteArray journalFirstLine = "# Quillon rename journal: FROM<TAB>TO, in the order made\n";
const QString temporaryPrefix = u".quillon-rename-"_s;
const QString journalSuffix = u".journal"_s;
const QString undoneSuffix = u".undone"_s;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Whether a set name can name an entry of a folder without reaching outside it.
bool isEntryName(const QString& name)
{
    return !name.isEmpty() && name != "."_L1 && name != ".."_L1 && !name.contains(u'/')
        && !name.contains(QChar(0));
}

QString nameOf(const QJsonObject& move, QLatin1StringView side)
{
    return move.value(side).toObject().value("name"_L1).toString();
}

// ---- planning

// The entry names of a folder that survive the trip through text unchanged; others cannot be
// named again exactly and are left alone.
Outcome listEntries(const QString& folder, QStringList& names)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native(folder).constData()), &::closedir);
    if (!dir)
        return Outcome::failure(folder + u": "_s + SystemReason(errno));
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray raw(entry->d_name);
        const QString name = QFile::decodeName(raw);
        if (raw != "." && raw != ".." && native(name) == raw)
            names.append(name);
        errno = 0;
    }
    if (errno != 0)
        return Outcome::failure(folder + u": "_s + SystemReason(errno));
    names.sort();
    return Outcome::success();
}

// The move an entry name belongs to: its whole name, or the longest part before a dot.
const SetMove* moveOfEntry(const QHash<QString, const SetMove*>& byOldName, const QString& entry)
{
    if (const auto found = byOldName.constFind(entry); found != byOldName.cend())
        return *found;
    for (qsizetype dot = entry.lastIndexOf(u'.'); dot > 0; dot = entry.lastIndexOf(u'.', dot - 1)) {
        if (const auto found = byOldName.constFind(entry.left(dot)); found != byOldName.cend())
            return *found;
    }
    return nullptr;
}

// The renames of one folder, ordered so that each target is free when its turn comes.
class FolderPlanner {
public:
    FolderPlanner(const QString& folder, const QStringList& entries) : folder_(folder)
    {
        for (const QString& entry : entries)
            existing_.insert(entry);
    }

    void propose(const QString& from, const QString& to)
    {
        PlannedRename rename{.folder = folder_, .from = from, .to = to};
        if (taken_.contains(to))
            rename.action = RenameAction::TargetTaken;
        taken_.insert(to);
        renames_.append(rename);
    }

    void appendTo(RenamePlan& plan)
    {
        skipBlockedTargets();
        index();
        const qsizetype offset = plan.renames.size();
        emitted_.fill(false, renames_.size());
        for (qsizetype index = 0; index < renames_.size(); ++index) {
            if (isActive(index) && !emitted_.at(index) && !moving_.contains(renames_.at(index).to))
                emitChainEndingWith(index);
        }
        for (qsizetype index = 0; index < renames_.size(); ++index) {
            if (isActive(index) && !emitted_.at(index))
                emitRing(index);
        }
        plan.renames.append(renames_);
        for (RenamePlan::Step step : std::as_const(steps_)) {
            step.rename += offset;
            plan.steps.append(step);
        }
    }

private:
    bool isActive(qsizetype index) const { return renames_.at(index).action == RenameAction::Rename; }

    // An entry that stays blocks the rename to its name, and the blocked entry stays too.
    void skipBlockedTargets()
    {
        for (qsizetype index = 0; index < renames_.size(); ++index) {
            if (isActive(index))
                moving_.insert(renames_.at(index).from);
        }
        for (bool changed = true; changed;) {
            changed = false;
            for (PlannedRename& rename : renames_) {
                if (rename.action == RenameAction::Rename && existing_.contains(rename.to)
                    && !moving_.contains(rename.to)) {
                    rename.action = RenameAction::TargetExists;
                    moving_.remove(rename.from);
                    changed = true;
                }
            }
        }
    }

    void index()
    {
        for (qsizetype index = 0; index < renames_.size(); ++index) {
            if (isActive(index))
                byTarget_.insert(renames_.at(index).to, index);
        }
    }

    void emitStep(qsizetype index, RenamePlan::Step::Kind kind)
    {
        steps_.append({.rename = index, .kind = kind});
        emitted_[index] = true;
    }

    // Each rename frees its old name for the one that comes to it, and so on up the chain.
    void emitChainEndingWith(qsizetype index)
    {
        for (qsizetype next = index; next >= 0 && !emitted_.at(next);
             next = byTarget_.value(renames_.at(next).from, -1))
            emitStep(next, RenamePlan::Step::Whole);
    }

    // Names that trade places: the first entry steps aside to a temporary name.
    void emitRing(qsizetype first)
    {
        renames_[first].viaTemporary = true;
        emitStep(first, RenamePlan::Step::IntoTemporary);
        for (qsizetype next = byTarget_.value(renames_.at(first).from, -1); next >= 0 && next != first;
             next = byTarget_.value(renames_.at(next).from, -1))
            emitStep(next, RenamePlan::Step::Whole);
        steps_.append({.rename = first, .kind = RenamePlan::Step::OutOfTemporary});
    }

    QString folder_;
    QSet<QString> existing_;
    QSet<QString> taken_;
    QSet<QString> moving_;
    QHash<QString, qsizetype> byTarget_;
    QList<PlannedRename> renames_;
    QList<bool> emitted_;
    QList<RenamePlan::Step> steps_;
};

Outcome planFolder(const QString& folder, const QHash<QString, const SetMove*>& byOldName,
                   const QHash<const SetMove*, qsizetype>& moveOrder, RenamePlan& plan)
{
    QStringList entries;
    if (Outcome listed = listEntries(folder, entries); !listed)
        return listed;
    struct Candidate {
        qsizetype move;
        QString from;
        QString to;
    };
    QList<Candidate> candidates;
    for (const QString& entry : std::as_const(entries)) {
        if (const SetMove* move = moveOfEntry(byOldName, entry))
            candidates.append({moveOrder.value(move), entry, move->newName + entry.mid(move->oldName.size())});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.move < b.move; });
    FolderPlanner planner(folder, entries);
    for (const Candidate& candidate : std::as_const(candidates))
        planner.propose(candidate.from, candidate.to);
    planner.appendTo(plan);
    return Outcome::success();
}

QString skipReason(const PlannedRename& rename)
{
    return rename.action == RenameAction::TargetTaken ? u"another entry becomes "_s + rename.to
                                                      : rename.to + u" exists"_s;
}

// ---- making the renames

Outcome systemFailure(const QString& path, int error)
{
    return Outcome::failure(path + u": "_s + SystemReason(error));
}

QString renameFailureReason(int error)
{
    if (error == EINVAL)
        return u"this file system cannot rename without the risk of replacing an entry"_s;
    return SystemReason(error);
}

// renameat2 with RENAME_NOREPLACE: the target is never replaced, not even by a race.
int renameWithoutReplacing(int fromFolder, const QString& from, int toFolder, const QString& to)
{
    return ::renameat2(fromFolder, native(from).constData(), toFolder, native(to).constData(), RENAME_NOREPLACE) == 0
             ? 0
             : errno;
}

Outcome flushFolder(const QString& folder)
{
    const FileDescriptor fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return systemFailure(folder, errno);
    const int error = ::fsync(fd.get()) == 0 ? 0 : errno;
    return error == 0 ? Outcome::success() : systemFailure(folder, error);
}

// The folder of journals, made for the user alone when it is missing.
Outcome makeJournalFolder(const QString& folder)
{
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent))
        return Outcome::failure(parent + u": the folder cannot be made"_s);
    if (::mkdir(native(folder).constData(), S_IRWXU) != 0 && errno != EEXIST)
        return systemFailure(folder, errno);
    return Outcome::success();
}

QByteArray journalText(const QList<JournalEntry>& entries)
{
    QByteArray text = journalFirstLine;
    for (const JournalEntry& entry : entries)
        text += EscapeField(entry.from).toUtf8() + '\t' + EscapeField(entry.to).toUtf8() + '\n';
    return text;
}

// Writes a new journal under a name of its own and flushes it, with its folder, to disk.
Outcome writeNewJournal(const QString& folder, const QList<JournalEntry>& entries, QString& path)
{
    if (Outcome made = makeJournalFolder(folder); !made)
        return made;
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz"_s);
    FileDescriptor fd;
    for (int attempt = 1; !fd.valid() && attempt < 100; ++attempt) {
        path = u"%1/rename-%2-%3%4"_s.arg(folder, stamp).arg(attempt, 2, 10, QChar(u'0')).arg(journalSuffix);
        fd.reset(::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
        if (!fd.valid() && errno != EEXIST)
            return systemFailure(path, errno);
    }
    if (!fd.valid())
        return systemFailure(path, EEXIST);
    const QByteArray text = journalText(entries);
    int error = 0;
    for (qsizetype written = 0; error == 0 && written < text.size();) {
        const ssize_t count = ::write(fd.get(), text.constData() + written, size_t(text.size() - written));
        if (count < 0 && errno != EINTR)
            error = errno;
        written += std::max<ssize_t>(count, 0);
    }
    if (error == 0 && ::fsync(fd.get()) != 0)
        error = errno;
    fd.reset();
    if (error != 0) {
        ::unlink(native(path).constData());
        return systemFailure(path, error);
    }
    return flushFolder(folder);
}

Outcome replaceJournal(const QString& path, const QList<JournalEntry>& entries)
{
    AtomicFile file(path);
    Outcome written = file.open();
    if (written)
        written = file.write(journalText(entries));
    return written ? file.commit() : written;
}

// The open folders of a run, each flushed to disk at the end.
class OpenFolders {
public:
    // -1 with errno set when the folder cannot be opened.
    int descriptor(const QString& folder)
    {
        if (const auto found = folders_.find(folder); found != folders_.end())
            return found->second.get();
        FileDescriptor fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd.valid())
            return -1;
        return folders_.emplace(folder, std::move(fd)).first->second.get();
    }

    Outcome flush()
    {
        for (const auto& [path, fd] : folders_) {
            if (::fsync(fd.get()) != 0)
                return systemFailure(path, errno);
        }
        return Outcome::success();
    }

private:
    std::map<QString, FileDescriptor> folders_;
};

QString temporaryNameIn(int folder)
{
    for (;;) {
        const QString name = temporaryPrefix + u"%1"_s.arg(QRandomGenerator::system()->generate64(), 16, 16, QChar(u'0'));
        struct stat existing {};
        // Any failure to look (a folder that cannot be searched) is for the rename to report.
        if (::fstatat(folder, native(name).constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
            return name;
    }
}

QString pathIn(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

// One rename of the run as made on disk.
struct Operation {
    RenamePlan::Step step;
    QString from;  // names in the folder
    QString to;
};

class PlanRunner {
public:
    PlanRunner(const RenamePlan& plan, RenameRun& run) : plan_(plan), run_(run) {}

    Outcome prepare()
    {
        run_.states.fill(RenameState::NotDone, plan_.renames.size());
        run_.notes.fill(QString(), plan_.renames.size());
        for (qsizetype index = 0; index < plan_.renames.size(); ++index) {
            if (plan_.renames.at(index).action != RenameAction::Rename) {
                run_.states[index] = RenameState::Skipped;
                run_.notes[index] = skipReason(plan_.renames.at(index));
            }
        }
        QHash<qsizetype, QString> temporaryNames;
        for (const RenamePlan::Step& step : plan_.steps) {
            const PlannedRename& rename = plan_.renames.at(step.rename);
            const int folder = folders_.descriptor(rename.folder);
            if (folder < 0)
                return systemFailure(rename.folder, errno);
            if (step.kind == RenamePlan::Step::IntoTemporary)
                temporaryNames.insert(step.rename, temporaryNameIn(folder));
            const QString temporary = temporaryNames.value(step.rename);
            operations_.append({step, step.kind == RenamePlan::Step::OutOfTemporary ? temporary : rename.from,
                                step.kind == RenamePlan::Step::IntoTemporary ? temporary : rename.to});
        }
        return Outcome::success();
    }

    QList<JournalEntry> planned() const
    {
        QList<JournalEntry> entries;
        for (const Operation& operation : operations_)
            entries.append(journalEntry(operation));
        return entries;
    }

    // Makes the renames until one fails.
    Outcome run()
    {
        for (const Operation& operation : std::as_const(operations_)) {
            if (Outcome made = make(operation); !made)
                return made;
        }
        return Outcome::success();
    }

    const QList<JournalEntry>& done() const { return done_; }
    Outcome flushFolders() { return folders_.flush(); }

private:
    JournalEntry journalEntry(const Operation& operation) const
    {
        const QString& folder = plan_.renames.at(operation.step.rename).folder;
        return {pathIn(folder, operation.from), pathIn(folder, operation.to)};
    }

    Outcome make(const Operation& operation)
    {
        const qsizetype index = operation.step.rename;
        const PlannedRename& rename = plan_.renames.at(index);
        if (run_.states.at(index) == RenameState::Skipped)
            return Outcome::success();
        const int folder = folders_.descriptor(rename.folder);
        const int error = renameWithoutReplacing(folder, operation.from, folder, operation.to);
        if (error == 0) {
            done_.append(journalEntry(operation));
            if (operation.step.kind != RenamePlan::Step::IntoTemporary) {
                run_.states[index] = RenameState::Renamed;
                ++run_.renamed;
            }
            return Outcome::success();
        }
        if (error == EEXIST)
            return skipTakenTarget(operation, folder);
        run_.states[index] = RenameState::Failed;
        run_.notes[index] = renameFailureReason(error);
        return Outcome::failure(u"%1 could not be renamed to %2: %3"_s.arg(pathIn(rename.folder, rename.from),
                                                                          rename.to, run_.notes.at(index)));
    }

    // A target that appeared since planning stays; an entry that had stepped aside to a
    // temporary name goes back to its own.
    Outcome skipTakenTarget(const Operation& operation, int folder)
    {
        const qsizetype index = operation.step.rename;
        const PlannedRename& rename = plan_.renames.at(index);
        run_.states[index] = RenameState::Skipped;
        run_.notes[index] = rename.to + u" exists"_s;
        if (operation.step.kind != RenamePlan::Step::OutOfTemporary)
            return Outcome::success();
        if (const int error = renameWithoutReplacing(folder, operation.from, folder, rename.from); error != 0) {
            run_.states[index] = RenameState::Failed;
            run_.notes[index] = u"%1 exists, and %2 is taken again; the entry is kept as %3"_s.arg(
                rename.to, rename.from, operation.from);
            return Outcome::failure(pathIn(rename.folder, rename.from) + u": "_s + run_.notes.at(index));
        }
        done_.append({pathIn(rename.folder, operation.from), pathIn(rename.folder, rename.from)});
        return Outcome::success();
    }

    const RenamePlan& plan_;
    RenameRun& run_;
    OpenFolders folders_;
    QList<Operation> operations_;
    QList<JournalEntry> done_;
};

// ---- undoing

bool exists(const QString& path)
{
    struct stat existing {};
    return ::lstat(native(path).constData(), &existing) == 0;
}

Outcome readBoundedFile(const QString& path, QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(path + u": "_s + file.errorString());
    if (file.size() > largestFile)
        return Outcome::failure(path + u": the file is too large"_s);
    bytes = file.readAll();
    return Outcome::success();
}

}  // namespace

// ---- reading moves

Outcome ReadSetMoves(const QJsonObject& report, SetMoves& moves)
{
    // A chain report lists each set's moves through the releases composed into one.
    const QString format = report.value("format"_L1).toString();
    if (format != "setdelta-report"_L1 && format != "setdelta-chain-report"_L1)
        return Outcome::failure(u"it is not a setdelta report"_s);
    const QJsonValue listed = report.value("moved_sets"_L1);
    if (!listed.isUndefined() && !listed.isArray())
        return Outcome::failure(u"\"moved_sets\" is not a list"_s);
    QSet<QString> oldNames;
    QSet<QString> newNames;
    for (const QJsonValue& value : listed.toArray()) {
        const QJsonObject move = value.toObject();
        if (!move.value("old"_L1).isObject() || !move.value("new"_L1).isObject())
            continue;  // a kind of entry of a later report
        const SetMove read{nameOf(move, "old"_L1), nameOf(move, "new"_L1)};
        if (!isEntryName(read.oldName) || !isEntryName(read.newName) || read.oldName == read.newName) {
            moves.ignored.append(u"a move from \"%1\" to \"%2\": these cannot be file names"_s.arg(read.oldName, read.newName));
        } else if (oldNames.contains(read.oldName) || newNames.contains(read.newName)) {
            moves.ignored.append(u"%1 -> %2: a set moves only once"_s.arg(read.oldName, read.newName));
        } else {
            oldNames.insert(read.oldName);
            newNames.insert(read.newName);
            moves.moves.append(read);
        }
    }
    return Outcome::success();
}

Outcome LoadSetMoves(const QString& reportPath, SetMoves& moves)
{
    QByteArray json;
    if (Outcome read = readBoundedFile(reportPath, json); !read)
        return read;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        return Outcome::failure(u"%1: %2 at byte %3"_s.arg(reportPath, error.errorString()).arg(error.offset));
    Outcome read = ReadSetMoves(document.object(), moves);
    return read ? read : Outcome::failure(reportPath + u": "_s + read.reason());
}

// ---- planning

qsizetype RenamePlan::renameCount() const
{
    return std::count_if(renames.cbegin(), renames.cend(),
                         [](const PlannedRename& rename) { return rename.action == RenameAction::Rename; });
}

Outcome PlanSetRenames(const QList<SetMove>& moves, const QStringList& folders, RenamePlan& plan)
{
    QHash<QString, const SetMove*> byOldName;
    QHash<const SetMove*, qsizetype> moveOrder;
    for (qsizetype index = 0; index < moves.size(); ++index) {
        byOldName.insert(moves.at(index).oldName, &moves.at(index));
        moveOrder.insert(&moves.at(index), index);
    }
    QSet<QString> planned;
    for (const QString& folder : folders) {
        const QFileInfo info(folder);
        if (!info.isDir())
            return Outcome::failure(folder + (info.exists() ? u": not a folder"_s : u": no such folder"_s));
        const QString canonical = info.canonicalFilePath();
        if (planned.contains(canonical))
            continue;
        planned.insert(canonical);
        if (Outcome done = planFolder(QDir::cleanPath(info.absoluteFilePath()), byOldName, moveOrder, plan); !done)
            return done;
    }
    return Outcome::success();
}

QString DescribePlanned(const PlannedRename& rename)
{
    if (rename.action != RenameAction::Rename)
        return u"skip: "_s + skipReason(rename);
    return rename.viaTemporary ? u"rename, through a temporary name (names trade places)"_s : u"rename"_s;
}

QString DescribeResult(const RenameRun& run, qsizetype index)
{
    switch (run.states.value(index, RenameState::Planned)) {
    case RenameState::Planned: return u"planned"_s;
    case RenameState::Renamed: return u"renamed"_s;
    case RenameState::Skipped: return u"skipped: "_s + run.notes.at(index);
    case RenameState::NotDone: return u"not done"_s;
    case RenameState::Failed: return u"failed: "_s + run.notes.at(index);
    }
    return {};
}

// ---- making the renames

Outcome ApplyRenamePlan(const RenamePlan& plan, const QString& journalFolder, RenameRun& run)
{
    run = RenameRun();
    PlanRunner runner(plan, run);
    if (Outcome prepared = runner.prepare(); !prepared)
        return prepared;
    const QList<JournalEntry> planned = runner.planned();
    if (planned.isEmpty())
        return Outcome::success();
    if (Outcome written = writeNewJournal(journalFolder, planned, run.journal); !written) {
        run.journal.clear();
        return Outcome::failure(u"Nothing was renamed: the journal cannot be written.\n"_s + written.reason());
    }
    const Outcome made = runner.run();
    const Outcome flushed = runner.flushFolders();
    // The journal lists what was planned; now it lists what was done, so that undoing it does
    // not stumble over renames never made. Should this fail, undo still finds them not done.
    if (runner.done().isEmpty()) {
        ::unlink(native(run.journal).constData());
        run.journal.clear();
    } else if (runner.done().size() != planned.size()) {
        (void)replaceJournal(run.journal, runner.done());
    }
    return made ? flushed : made;
}

QStringList RenameJournals(const QString& journalFolder)
{
    QStringList journals = QDir(journalFolder).entryList({u"rename-*"_s + journalSuffix}, QDir::Files, QDir::Name);
    std::reverse(journals.begin(), journals.end());
    for (QString& journal : journals)
        journal = pathIn(journalFolder, journal);
    return journals;
}

Outcome ReadRenameJournal(const QString& journalPath, QList<JournalEntry>& entries)
{
    QByteArray bytes;
    if (Outcome read = readBoundedFile(journalPath, bytes); !read)
        return read;
    if (!bytes.startsWith(journalFirstLine))
        return Outcome::failure(journalPath + u": not a rename journal of Quillon"_s);
    const QList<QByteArray> lines = bytes.mid(journalFirstLine.size()).split('\n');
    for (qsizetype number = 0; number < lines.size(); ++number) {
        if (lines.at(number).isEmpty())
            continue;
        const QList<QByteArray> fields = lines.at(number).split('\t');
        bool fromOk = false;
        bool toOk = false;
        const JournalEntry entry{fields.size() == 2 ? UnescapeField(QString::fromUtf8(fields.at(0)), &fromOk) : QString(),
                                 fields.size() == 2 ? UnescapeField(QString::fromUtf8(fields.at(1)), &toOk) : QString()};
        if (!fromOk || !toOk || !entry.from.startsWith(u'/') || !entry.to.startsWith(u'/'))
            return Outcome::failure(u"%1: line %2 is not FROM<TAB>TO with absolute paths"_s.arg(journalPath).arg(number + 2));
        entries.append(entry);
    }
    return Outcome::success();
}

bool IsStepAside(const JournalEntry& entry)
{
    return QFileInfo(entry.to).fileName().startsWith(temporaryPrefix);
}

Outcome UndoRenameJournal(const QString& journalPath, UndoRun& run)
{
    QList<JournalEntry> entries;
    if (Outcome read = ReadRenameJournal(journalPath, entries); !read)
        return read;
    QList<JournalEntry> left;
    QSet<QString> folders;
    Outcome undone = Outcome::success();
    for (qsizetype index = entries.size() - 1; index >= 0; --index) {
        const JournalEntry& entry = entries.at(index);
        if (!undone) {
            left.prepend(entry);
            continue;
        }
        const int error = renameWithoutReplacing(AT_FDCWD, entry.to, AT_FDCWD, entry.from);
        if (error == 0) {
            run.restored += IsStepAside(entry) ? 0 : 1;
            folders.insert(QFileInfo(entry.from).path());
        } else if (error == ENOENT && exists(entry.from)) {
            continue;  // never made: the run ended before it
        } else if (error == EEXIST || error == ENOENT) {
            run.problems.append(error == EEXIST ? u"%1 stays %2: %1 exists again"_s.arg(entry.from, entry.to)
                                                : u"%1 is gone, so %2 cannot come back"_s.arg(entry.to, entry.from));
            left.prepend(entry);
        } else {
            undone = Outcome::failure(u"%1 could not be renamed back to %2: %3"_s.arg(entry.to, entry.from,
                                                                                    renameFailureReason(error)));
            left.prepend(entry);
        }
    }
    for (const QString& folder : std::as_const(folders))
        (void)flushFolder(folder);
    const Outcome kept = left.isEmpty() ? (::rename(native(journalPath).constData(),
                                                    native(journalPath + undoneSuffix).constData())
                                                   == 0
                                               ? Outcome::success()
                                               : systemFailure(journalPath, errno))
                                        : replaceJournal(journalPath, left);
    return undone ? kept : undone;
}

// ---- fields

QString EscapeField(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'\\': escaped += u"\\\\"_s; break;
        case u'\t': escaped += u"\\t"_s; break;
        case u'\n': escaped += u"\\n"_s; break;
        case u'\r': escaped += u"\\r"_s; break;
        default:
            if (character.unicode() < 0x20 || character.unicode() == 0x7f)
                escaped += u"\\x%1"_s.arg(uint(character.unicode()), 2, 16, QChar(u'0'));
            else
                escaped += character;
        }
    }
    return escaped;
}

QString UnescapeField(const QString& field, bool* ok)
{
    QString text;
    bool valid = true;
    for (qsizetype index = 0; index < field.size(); ++index) {
        const QChar character = field.at(index);
        if (character != u'\\') {
            valid = valid && character.unicode() >= 0x20 && character.unicode() != 0x7f;
            text += character;
            continue;
        }
        const QChar code = index + 1 < field.size() ? field.at(++index) : QChar();
        if (code == u'\\')
            text += u'\\';
        else if (code == u't')
            text += u'\t';
        else if (code == u'n')
            text += u'\n';
        else if (code == u'r')
            text += u'\r';
        else if (code == u'x' && index + 2 < field.size()) {
            bool hex = false;
            text += QChar(field.mid(index + 1, 2).toUShort(&hex, 16));
            valid = valid && hex;
            index += 2;
        } else {
            valid = false;
        }
    }
    if (ok)
        *ok = valid;
    return text;
}

}  // namespace quillon
