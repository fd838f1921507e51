#include "diffresults.h"

#include "atomicfile.h"
#include "processrunner.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// Version 2 adds moved sets beside the sets, which are read as in version 1.
constexpr int oldestVersion = 1;
constexpr int newestVersion = 2;

// A report that does not have the agreed shape; the message says where.
struct BadReport {
    QString reason;
};

QString text(const QJsonObject& object, QLatin1StringView key)
{
    return object.value(key).toString();
}

qint64 count(const QJsonObject& object, QLatin1StringView key)
{
    return object.value(key).toInteger();
}

QJsonObject member(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isObject())
        throw BadReport{u"\"%1\" is missing or not an object"_s.arg(key)};
    return value.toObject();
}

QJsonArray array(const QJsonObject& object, QLatin1StringView key, const QString& where)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        throw BadReport{u"%1: \"%2\" is not a list"_s.arg(where, key)};
    return value.toArray();
}

DiffInput readInput(const QJsonObject& input)
{
    return {
        .file = text(input, "file"_L1),
        .entry = text(input, "entry"_L1),
        .format = text(input, "format"_L1),
        .name = text(input, "name"_L1),
        .version = text(input, "version"_L1),
        .build = text(input, "build"_L1),
        .sets = count(input, "sets"_L1),
        .objects = count(input, "objects"_L1),
    };
}

DiffOptions readOptions(const QJsonObject& options)
{
    return {
        .setType = text(options, "set_type"_L1),
        .delta = options.value("delta"_L1).toInt(),
        .objects = text(options, "objects"_L1),
        .renames = options.value("renames"_L1).toBool(),
        .nodump = options.value("nodump"_L1).toBool(),
        .biosInSets = options.value("bios_in_sets"_L1).toBool(),
    };
}

DiffSummary readSummary(const QJsonObject& summary)
{
    return {
        .newSets = count(summary, "new_sets"_L1),
        .removedSets = count(summary, "removed_sets"_L1),
        .changedSets = count(summary, "changed_sets"_L1),
        .renamedSets = count(summary, "renamed_sets"_L1),
        .addedObjects = count(summary, "added_objects"_L1),
        .removedObjects = count(summary, "removed_objects"_L1),
        .renamedObjects = count(summary, "renamed_objects"_L1),
        .movedSets = count(summary, "moved_sets"_L1),
    };
}

DiffObject readObject(const QJsonValue& value, const QString& where)
{
    if (!value.isObject())
        throw BadReport{where + u": an object is not described as one"_s};
    const QJsonObject object = value.toObject();
    DiffObject result{
        .kind = text(object, "kind"_L1),
        .name = text(object, "name"_L1),
        .size = std::nullopt,
        .crc = text(object, "crc"_L1),
        .sha1 = text(object, "sha1"_L1),
        .md5 = text(object, "md5"_L1),
        .flags = {},
    };
    const QJsonValue size = object.value("size"_L1);
    if (size.isDouble())
        result.size = size.toInteger();
    for (const QJsonValue flag : array(object, "flags"_L1, where))
        result.flags.append(flag.toString());
    return result;
}

QList<DiffObject> readObjects(const QJsonObject& set, QLatin1StringView key, const QString& where)
{
    QList<DiffObject> objects;
    const QJsonArray list = array(set, key, where);
    objects.reserve(list.size());
    for (const QJsonValue value : list)
        objects.append(readObject(value, where));
    return objects;
}

QList<RenamedObject> readRenames(const QJsonObject& set, const QString& where)
{
    QList<RenamedObject> renames;
    for (const QJsonValue value : array(set, "renamed"_L1, where)) {
        const QJsonObject rename = value.toObject();
        renames.append({readObject(rename.value("from"_L1), where),
                        readObject(rename.value("to"_L1), where)});
    }
    return renames;
}

SetStatus readStatus(const QString& status, const QString& where)
{
    static const std::pair<const char*, SetStatus> statuses[] = {
        {"new", SetStatus::New},
        {"removed", SetStatus::Removed},
        {"changed", SetStatus::Changed},
        {"renamed", SetStatus::Renamed},
    };
    for (const auto& [word, value] : statuses) {
        if (status == QLatin1String(word))
            return value;
    }
    throw BadReport{u"%1: unknown status \"%2\""_s.arg(where, status)};
}

DiffSet readSet(const QJsonValue& value, qsizetype index)
{
    const QString where = u"set %1"_s.arg(index + 1);
    if (!value.isObject())
        throw BadReport{where + u" is not described as an object"_s};
    const QJsonObject set = value.toObject();
    const QString name = text(set, "name"_L1);
    const QString named = name.isEmpty() ? where : u"set \"%1\""_s.arg(name);
    return {
        .name = name,
        .description = text(set, "description"_L1),
        .parent = text(set, "parent"_L1),
        .status = readStatus(text(set, "status"_L1), named),
        .objects = readObjects(set, "objects"_L1, named),
        .added = readObjects(set, "added"_L1, named),
        .removed = readObjects(set, "removed"_L1, named),
        .renamed = readRenames(set, named),
    };
}

// The new and the removed set of a move are one moved set; its parent is the new set's.
DiffSet readMove(const QJsonValue& value, qsizetype index)
{
    const QString where = u"move %1"_s.arg(index + 1);
    if (!value.isObject())
        throw BadReport{where + u" is not described as an object"_s};
    const QJsonObject move = value.toObject();
    const QJsonObject from = member(move, "old"_L1);
    const QJsonObject to = member(move, "new"_L1);
    if (text(from, "name"_L1).isEmpty() || text(to, "name"_L1).isEmpty())
        throw BadReport{where + u": a name is missing"_s};
    return {
        .name = text(to, "name"_L1),
        .description = text(to, "description"_L1),
        .parent = {},
        .status = SetStatus::Moved,
        .objects = {},
        .added = readObjects(move, "added"_L1, where),
        .removed = readObjects(move, "removed"_L1, where),
        .renamed = readRenames(move, where),
        .kept = readObjects(move, "kept"_L1, where),
        .move = {.oldName = text(from, "name"_L1),
                 .oldDescription = text(from, "description"_L1),
                 .sharedContents = count(move, "shared_contents"_L1),
                 .oldContents = count(move, "old_contents"_L1),
                 .newContents = count(move, "new_contents"_L1)},
    };
}

std::vector<DiffSet> readMoves(const QJsonObject& report)
{
    const QJsonArray list = array(report, "moved_sets"_L1, u"the report"_s);
    std::vector<DiffSet> moves;
    moves.reserve(static_cast<size_t>(list.size()));
    for (qsizetype index = 0; index < list.size(); ++index)
        moves.push_back(readMove(list.at(index), index));
    return moves;
}

// Puts the moves in the place of the new and the removed sets they join, after the new sets.
std::vector<DiffSet> joinMoves(std::vector<DiffSet> sets, std::vector<DiffSet> moves)
{
    QHash<QString, size_t> moveByNewName;
    QSet<QString> oldNames;
    for (size_t index = 0; index < moves.size(); ++index) {
        moveByNewName.insert(moves[index].name, index);
        oldNames.insert(moves[index].move.oldName);
    }
    const auto joined = [&](const DiffSet& set) {
        return (set.status == SetStatus::New && moveByNewName.contains(set.name))
               || (set.status == SetStatus::Removed && oldNames.contains(set.name));
    };
    for (const DiffSet& set : sets) {
        if (set.status == SetStatus::New && moveByNewName.contains(set.name))
            moves[moveByNewName.value(set.name)].parent = set.parent;
    }
    std::erase_if(sets, joined);
    const auto firstNotNew = std::find_if(sets.begin(), sets.end(), [](const DiffSet& set) { return set.status != SetStatus::New; });
    sets.insert(firstNotNew, std::make_move_iterator(moves.begin()), std::make_move_iterator(moves.end()));
    return sets;
}

void readReport(const QJsonObject& report, DiffResults& results)
{
    if (text(report, "format"_L1) != QLatin1String("setdelta-report"))
        throw BadReport{u"it is not a setdelta report"_s};
    const int version = report.value("version"_L1).toInt();
    if (version < oldestVersion || version > newestVersion)
        throw BadReport{u"its version %1 is not a version this Quillon reads (%2 to %3)"_s
                            .arg(version)
                            .arg(oldestVersion)
                            .arg(newestVersion)};
    results.setdeltaVersion = text(report, "setdelta_version"_L1);
    results.oldInput = readInput(member(report, "old"_L1));
    results.newInput = readInput(member(report, "new"_L1));
    results.options = readOptions(member(report, "options"_L1));
    results.summary = readSummary(member(report, "summary"_L1));
    const QJsonValue setList = report.value("sets"_L1);
    if (!setList.isArray())
        throw BadReport{u"\"sets\" is missing or not a list"_s};
    const QJsonArray list = setList.toArray();
    std::vector<DiffSet> sets;
    sets.reserve(static_cast<size_t>(list.size()));
    for (qsizetype index = 0; index < list.size(); ++index)
        sets.push_back(readSet(list.at(index), index));
    results.sets = joinMoves(std::move(sets), readMoves(report));
}

constexpr QLatin1StringView chainFormat = "setdelta-chain-report"_L1;
constexpr int chainVersion = 1;

QJsonObject described(const QJsonValue& value, const QString& where)
{
    if (!value.isObject())
        throw BadReport{where + u" is not described as an object"_s};
    return value.toObject();
}

// A release, which the report names by its index, as users count them: from 1.
int releaseNumber(const QJsonObject& object, QLatin1StringView key, qsizetype releaseCount, const QString& where)
{
    const int index = object.value(key).toInt(-1);
    if (index < 0 || index >= releaseCount)
        throw BadReport{u"%1: \"%2\" is not a release of the chain"_s.arg(where, key)};
    return index + 1;
}

// A set renamed on the way: its names, each with the release from which it had it.
DiffSet readChainMove(const QJsonObject& move, qsizetype releaseCount, const QString& where)
{
    const QJsonObject from = member(move, "old"_L1);
    const QJsonObject to = member(move, "new"_L1);
    if (text(from, "name"_L1).isEmpty() || text(to, "name"_L1).isEmpty())
        throw BadReport{where + u": a name is missing"_s};
    QStringList names;
    for (const QJsonValue value : array(move, "names"_L1, where)) {
        const QJsonObject name = described(value, where + u": a name"_s);
        names << u"%1 from release %2"_s.arg(text(name, "name"_L1)).arg(releaseNumber(name, "release"_L1, releaseCount, where));
    }
    return {.name = text(to, "name"_L1),
            .description = text(to, "description"_L1),
            .status = SetStatus::Moved,
            .move = {.oldName = text(from, "name"_L1), .oldDescription = text(from, "description"_L1)},
            .releases = names.join(u", "_s)};
}

DiffSet readChainRemoved(const QJsonObject& set, qsizetype releaseCount, const QString& where)
{
    const int first = releaseNumber(set, "first_release"_L1, releaseCount, where);
    const int last = releaseNumber(set, "last_release"_L1, releaseCount, where);
    const int removedIn = releaseNumber(set, "removed_in"_L1, releaseCount, where);
    QString releases = first == last ? u"release %1"_s.arg(first) : u"releases %1 to %2"_s.arg(first).arg(last);
    if (const QString lastName = text(set, "last_name"_L1); !lastName.isEmpty())
        releases += u" (last as %1)"_s.arg(lastName);
    return {.name = text(set, "name"_L1),
            .description = text(set, "description"_L1),
            .status = SetStatus::Removed,
            .releases = releases + u", removed in %1"_s.arg(removedIn)};
}

DiffSet readChainNew(const QJsonObject& set, qsizetype releaseCount, const QString& where)
{
    return {.name = text(set, "name"_L1),
            .description = text(set, "description"_L1),
            .status = SetStatus::New,
            .releases = u"new in release %1"_s.arg(releaseNumber(set, "first_release"_L1, releaseCount, where))};
}

void readChainSteps(const QJsonObject& report, DiffResults& results)
{
    const auto releaseCount = static_cast<qsizetype>(results.releases.size());
    for (const QJsonValue value : array(report, "steps"_L1, u"the report"_s)) {
        const QJsonObject step = described(value, u"a step"_s);
        results.steps.push_back({.from = releaseNumber(step, "from"_L1, releaseCount, u"a step"_s),
                                 .to = releaseNumber(step, "to"_L1, releaseCount, u"a step"_s),
                                 .newSets = count(step, "new_sets"_L1),
                                 .removedSets = count(step, "removed_sets"_L1),
                                 .changedSets = count(step, "changed_sets"_L1),
                                 .movedSets = count(step, "moved_sets"_L1)});
    }
}

// A set new since the first release that was renamed later is one of the moved sets too, and
// shown only there.
void readChainSets(const QJsonObject& report, DiffResults& results)
{
    const auto releaseCount = static_cast<qsizetype>(results.releases.size());
    const auto each = [&report](QLatin1StringView key, const QString& what, const auto& read) {
        const QJsonArray list = array(report, key, u"the report"_s);
        for (qsizetype index = 0; index < list.size(); ++index) {
            const QString where = u"%1 %2"_s.arg(what).arg(index + 1);
            read(described(list.at(index), where), where);
        }
    };
    qint64 moved = 0;
    qint64 removed = 0;
    each("new_sets"_L1, u"new set"_s, [&](const QJsonObject& set, const QString& where) {
        if (!set.contains("first_name"_L1))
            results.sets.push_back(readChainNew(set, releaseCount, where));
    });
    const qint64 trulyNew = static_cast<qint64>(results.sets.size());
    each("moved_sets"_L1, u"moved set"_s, [&](const QJsonObject& set, const QString& where) {
        results.sets.push_back(readChainMove(set, releaseCount, where));
        ++moved;
    });
    each("removed_sets"_L1, u"removed set"_s, [&](const QJsonObject& set, const QString& where) {
        results.sets.push_back(readChainRemoved(set, releaseCount, where));
        ++removed;
    });
    results.summary = {.newSets = trulyNew + moved, .removedSets = removed + moved, .movedSets = moved};
}

void readChainReport(const QJsonObject& report, DiffResults& results)
{
    const int version = report.value("version"_L1).toInt();
    if (version != chainVersion)
        throw BadReport{u"its version %1 is not a version of chain report this Quillon reads (%2)"_s.arg(version).arg(chainVersion)};
    results.setdeltaVersion = text(report, "setdelta_version"_L1);
    results.options = readOptions(member(report, "options"_L1));
    for (const QJsonValue release : array(report, "releases"_L1, u"the report"_s))
        results.releases.push_back(readInput(described(release, u"a release"_s)));
    if (results.releases.size() < 2)
        throw BadReport{u"a chain needs two releases or more"_s};
    results.oldInput = results.releases.front();
    results.newInput = results.releases.back();
    readChainSteps(report, results);
    readChainSets(report, results);
}

Outcome readWholeFile(const QString& path, QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(path + u": "_s + file.errorString());
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Outcome::failure(path + u": "_s + file.errorString());
    return Outcome::success();
}

QString sizeText(const DiffObject& object)
{
    return object.size ? QString::number(*object.size) : u"-"_s;
}

QString hashText(const DiffObject& object)
{
    if (!object.sha1.isEmpty())
        return object.sha1;
    return object.md5.isEmpty() ? u"-"_s : u"MD5 "_s + object.md5;
}

QString hashesText(const DiffObject& object)
{
    QStringList lines;
    if (!object.sha1.isEmpty())
        lines << u"SHA-1 "_s + object.sha1;
    if (!object.md5.isEmpty())
        lines << u"MD5 "_s + object.md5;
    return lines.join(u'\n');
}

ObjectChange describe(const QString& change, const DiffObject& object)
{
    return {.change = change,
            .kind = object.kind,
            .name = object.name,
            .size = sizeText(object),
            .crc = object.crc.isEmpty() ? u"-"_s : object.crc,
            .hash = hashText(object),
            .flags = object.flags.join(u", "_s),
            .hashes = hashesText(object)};
}

// A report that cannot be read leaves the results as they were.
Outcome parseReportObject(const QJsonObject& report, DiffResults& results)
{
    DiffResults read;
    try {
        if (text(report, "format"_L1) == chainFormat)
            readChainReport(report, read);
        else
            readReport(report, read);
    } catch (const BadReport& bad) {
        return Outcome::failure(bad.reason);
    }
    // The moves again as names only, for renaming a collection's files after them.
    SetMoves moved;
    if (Outcome movesRead = ReadSetMoves(report, moved); !movesRead)
        return movesRead;
    read.moves = std::move(moved.moves);
    results = std::move(read);
    return Outcome::success();
}

constexpr QLatin1StringView keptFormat = "quillon-diff-results"_L1;
constexpr int keptVersion = 1;

// The readable report is setdelta's text, in the encoding of the DATs' names; Latin-1 keeps any
// bytes that are not UTF-8 exactly as they were.
void putReadableReport(QJsonObject& kept, const QByteArray& report)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8(report);
    const bool isUtf8 = !utf8.hasError();
    kept.insert("readable_report"_L1, isUtf8 ? decoded : QString::fromLatin1(report));
    kept.insert("readable_report_encoding"_L1, isUtf8 ? u"utf-8"_s : u"latin-1"_s);
}

QByteArray takeReadableReport(const QJsonObject& kept)
{
    const QString readable = text(kept, "readable_report"_L1);
    return text(kept, "readable_report_encoding"_L1) == "latin-1"_L1 ? readable.toLatin1() : readable.toUtf8();
}

QJsonObject chosenInput(const DiffInput& input)
{
    return {{"file"_L1, input.file}, {"entry"_L1, input.entry}};
}

void takeChosenInput(const QJsonObject& chosen, DiffInput& input)
{
    input.file = text(chosen, "file"_L1);
    input.entry = text(chosen, "entry"_L1);
}

}  // namespace

qsizetype DiffSet::addedCount() const
{
    return status == SetStatus::New ? objects.size() : added.size();
}

qsizetype DiffSet::removedCount() const
{
    return status == SetStatus::Removed ? objects.size() : removed.size();
}

QString DiffSet::shownName() const
{
    return status == SetStatus::Moved ? u"%1 -> %2"_s.arg(move.oldName, name) : name;
}

Outcome ParseDiffResults(const QByteArray& json, DiffResults& results)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        return Outcome::failure(u"%1 at byte %2"_s.arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return Outcome::failure(u"it is not a setdelta report"_s);
    return parseReportObject(document.object(), results);
}

QString KeptDiffResultsPath()
{
    return XdgBaseFolder("XDG_STATE_HOME", ".local/state") + u"/Quillon/last-diff.json"_s;
}

Outcome KeepDiffResults(const DiffResults& results, const QByteArray& reportJson, const QString& path)
{
    QJsonObject kept{
        {"format"_L1, keptFormat},
        {"version"_L1, keptVersion},
        {"destination"_L1, results.destination},
        {"written"_L1, results.written},
        {"with_header"_L1, results.withHeader},
        {"zipped"_L1, results.zipped},
        {"old"_L1, chosenInput(results.oldInput)},
        {"new"_L1, chosenInput(results.newInput)},
    };
    putReadableReport(kept, results.readableReport);
    // setdelta's report goes in as it is, neither parsed nor written anew.
    QByteArray bytes = QJsonDocument(kept).toJson(QJsonDocument::Compact);
    bytes.chop(1);
    bytes += ",\"report\":" + reportJson.trimmed() + "}\n";

    const QString folder = GetParentFolder(path);
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        return Outcome::failure(folder + u": the folder cannot be made"_s);
    // Set names and paths are nobody else's business.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    AtomicFile file(path);
    Outcome saved = file.open();
    if (saved)
        saved = file.write(bytes);
    return saved ? file.commit() : saved;
}

namespace {

// The JSON object that the file at `path` holds; a failure names the file.
Outcome readJsonObject(const QString& path, QJsonObject& object)
{
    QByteArray bytes;
    if (Outcome read = readWholeFile(path, bytes); !read)
        return read;
    QJsonParseError error;
    object = QJsonDocument::fromJson(bytes, &error).object();
    if (error.error != QJsonParseError::NoError)
        return Outcome::failure(path + u": %1 at byte %2"_s.arg(error.errorString()).arg(error.offset));
    return Outcome::success();
}

Outcome takeKeptResults(const QString& path, const QJsonObject& kept, DiffResults& results)
{
    if (text(kept, "format"_L1) != keptFormat || kept.value("version"_L1).toInt() != keptVersion)
        return Outcome::failure(path + u": it is not a file of kept diff results this Quillon reads"_s);
    if (Outcome parsed = parseReportObject(kept.value("report"_L1).toObject(), results); !parsed)
        return Outcome::failure(path + u": "_s + parsed.reason());
    results.destination = text(kept, "destination"_L1);
    results.written = text(kept, "written"_L1);
    results.withHeader = kept.value("with_header"_L1).toBool();
    results.zipped = kept.value("zipped"_L1).toBool();
    takeChosenInput(kept.value("old"_L1).toObject(), results.oldInput);
    takeChosenInput(kept.value("new"_L1).toObject(), results.newInput);
    results.readableReport = takeReadableReport(kept);
    return Outcome::success();
}

}  // namespace

Result<DiffResults> LoadKeptDiffResults(const QString& path)
{
    QJsonObject kept;
    if (Outcome read = readJsonObject(path, kept); !read)
        return Result<DiffResults>::failure(read.reason());
    DiffResults results;
    if (Outcome taken = takeKeptResults(path, kept, results); !taken)
        return Result<DiffResults>::failure(taken.reason());
    return results;
}

Result<DiffResults> LoadDiffResults(const QString& reportPath, const QString& readableReportPath, QByteArray* reportJson)
{
    QByteArray json;
    if (Outcome read = readWholeFile(reportPath, json); !read)
        return Result<DiffResults>::failure(read.reason());
    DiffResults results;
    if (Outcome parsed = ParseDiffResults(json, results); !parsed)
        return Result<DiffResults>::failure(reportPath + u": "_s + parsed.reason());
    if (!readableReportPath.isEmpty())
        if (Outcome read = readWholeFile(readableReportPath, results.readableReport); !read)
            return Result<DiffResults>::failure(read.reason());
    if (reportJson)
        *reportJson = std::move(json);
    return results;
}

Result<DiffResults> OpenReport(const QString& path)
{
    QJsonObject report;
    if (Outcome read = readJsonObject(path, report); !read)
        return Result<DiffResults>::failure(read.reason());
    DiffResults results;
    if (text(report, "format"_L1) == keptFormat) {
        if (Outcome taken = takeKeptResults(path, report, results); !taken)
            return Result<DiffResults>::failure(taken.reason());
        return results;
    }
    if (Outcome parsed = parseReportObject(report, results); !parsed)
        return Result<DiffResults>::failure(path + u": "_s + parsed.reason());
    results.openedFrom = path;
    return results;
}

Outcome SaveReadableReport(const DiffResults& results, const QString& path)
{
    AtomicFile file(path);
    Outcome saved = file.open();
    if (saved)
        saved = file.write(results.readableReport);
    return saved ? file.commit() : saved;
}

std::array<qint64, setStatusCount> SetsByStatus(const DiffResults& results)
{
    std::array<qint64, setStatusCount> counts{};
    for (const DiffSet& set : results.sets)
        ++counts.at(static_cast<size_t>(set.status));
    return counts;
}

QString StatusText(SetStatus status)
{
    switch (status) {
    case SetStatus::New: return u"New"_s;
    case SetStatus::Removed: return u"Removed"_s;
    case SetStatus::Moved: return u"Moved"_s;
    case SetStatus::Changed: return u"Changed"_s;
    case SetStatus::Renamed: return u"Renames only"_s;
    }
    return {};
}

QString DescribeInput(const DiffInput& input)
{
    QString described = input.file;
    if (!input.entry.isEmpty())
        described += u" (%1)"_s.arg(input.entry);
    const QString release = !input.build.isEmpty() ? input.build : QStringList{input.name, input.version}.join(u' ').trimmed();
    if (!release.isEmpty())
        described += u" - %1"_s.arg(release);
    return described + u" - %1, %2 sets, %3 objects"_s.arg(input.format).arg(input.sets).arg(input.objects);
}

QString DescribeOptions(const DiffOptions& options)
{
    const QString objects = options.objects == QLatin1String("disk")     ? u"disks"_s
                            : options.objects == QLatin1String("sample") ? u"samples"_s
                                                                         : u"ROMs"_s;
    QStringList words{u"%1 sets"_s.arg(options.setType)};
    if (options.delta > 0)
        words << u"-d%1"_s.arg(options.delta);
    words << objects;
    if (options.renames)
        words << u"renames counted"_s;
    if (options.nodump)
        words << u"nodump included"_s;
    if (options.biosInSets)
        words << u"BIOS in sets"_s;
    return words.join(u", "_s);
}

QString DescribeWritten(const DiffResults& results)
{
    const QString header = results.withHeader ? u"with a header block"_s : u"without a header block"_s;
    if (!results.zipped)
        return u"%1, %2"_s.arg(results.written, header);
    return u"%1 (entry %2), zipped, %3"_s.arg(results.written, StoredZipName(results.destination), header);
}

QList<ObjectChange> DescribeObjectChanges(const DiffSet& set)
{
    QList<ObjectChange> changes;
    const QString wholeSetChange = set.status == SetStatus::New ? u"Added"_s : u"Removed"_s;
    for (const DiffObject& object : set.objects)
        changes.append(describe(wholeSetChange, object));
    for (const DiffObject& object : set.added)
        changes.append(describe(u"Added"_s, object));
    for (const DiffObject& object : set.removed)
        changes.append(describe(u"Removed"_s, object));
    for (const RenamedObject& rename : set.renamed) {
        ObjectChange change = describe(u"Renamed"_s, rename.to);
        change.name = u"%1 → %2"_s.arg(rename.from.name, rename.to.name);
        changes.append(change);
    }
    // What stayed as it was comes after what changed.
    for (const DiffObject& object : set.kept)
        changes.append(describe(u"Shared"_s, object));
    return changes;
}

QString DescribeSharedContents(const MovedFrom& move)
{
    return u"%1 of %2 contents shared"_s.arg(move.sharedContents).arg(move.oldContents + move.newContents - move.sharedContents);
}

}  // namespace quillon
