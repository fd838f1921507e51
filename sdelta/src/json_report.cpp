#include "json_report.h"

#include "dat_writer.h"
#include "version.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace setdelta {
namespace {

// Keys stay in the order they are set, so the report reads in the order its schema lists them.
using Json = nlohmann::ordered_json;

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Asks the serializer itself, so that whatever passes here is something it writes without throwing.
bool isValidUtf8(std::string_view text)
{
    try {
        Json(std::string(text)).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | byte >> 6));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    appendHex(text, bytes);
    return text;
}

std::string crcHex(std::uint32_t crc)
{
    std::string text;
    appendCrc(text, crc);
    return text;
}

std::string_view kindWord(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Rom: return "rom";
    case ObjectKind::Disk: return "disk";
    case ObjectKind::Sample: return "sample";
    }
    return {};
}

std::string_view formatWord(DatFormat format)
{
    switch (format) {
    case DatFormat::ClrMamePro: return "clrmamepro";
    case DatFormat::XmlDatafile: return "xml-datafile";
    case DatFormat::MameListXml: return "listxml";
    }
    return {};
}

std::string_view setTypeWord(SetType type)
{
    switch (type) {
    case SetType::Split: return "split";
    case SetType::Merged: return "merged";
    case SetType::NonMerged: return "non-merged";
    }
    return {};
}

// The words a DAT uses for an object's dump status and flags; a good dump has none.
Json flagWords(const Object& object)
{
    Json words = Json::array();
    if (std::string_view status = statusWord(object.status); !status.empty())
        words.push_back(status);
    if (object.flags & FlagDispose)
        words.push_back("dispose");
    if (object.flags & FlagSoundOnly)
        words.push_back("soundonly");
    if (object.flags & FlagOptional)
        words.push_back("optional");
    return words;
}

Json objectJson(const Object& object, ObjectKind kind)
{
    Json json;
    json["kind"] = kindWord(kind);
    json["name"] = utf8Text(object.name);
    if (kind == ObjectKind::Rom && object.hasSize)
        json["size"] = object.size;
    if (object.hasCrc)
        json["crc"] = crcHex(object.crc);
    if (object.hasSha1)
        json["sha1"] = hex(object.sha1);
    if (object.hasMd5)
        json["md5"] = hex(object.md5);
    if (Json flags = flagWords(object); !flags.empty())
        json["flags"] = std::move(flags);
    return json;
}

template <typename Objects>
Json objectList(const Objects& objects, ObjectKind kind)
{
    Json list = Json::array();
    for (const Object* object : objects)
        list.push_back(objectJson(*object, kind));
    return list;
}

Json setJson(const Set& set, std::string_view status)
{
    Json json;
    json["name"] = utf8Text(set.name);
    json["description"] = utf8Text(set.description);
    json["parent"] = set.cloneOf.empty() ? Json(nullptr) : Json(utf8Text(set.cloneOf));
    json["status"] = status;
    return json;
}

// A new or removed set; `movedKey` and `otherName` say where a moved set went or came from.
Json wholeSetJson(const ResolvedDat& dat, std::size_t set, std::string_view status, const char* movedKey,
                  std::string_view otherName)
{
    Json json = setJson(*dat.sets[set].set, status);
    if (!otherName.empty())
        json[movedKey] = utf8Text(otherName);
    json["objects"] = objectList(dat.objectsOf(set), dat.dat->kind);
    return json;
}

// The objects of a changed set or a move: added, removed and renamed.
void addObjectChanges(Json& json, const SetChange& change, ObjectKind kind)
{
    json["added"] = objectList(change.added, kind);
    Json removed = Json::array();
    for (std::size_t i = 0; i < change.removed.size(); ++i) {
        Json object = objectJson(*change.removed[i], kind);
        if (const Object* keptAs = change.removedContentKeptAs[i])
            object["content_kept_as"] = utf8Text(keptAs->name);
        removed.push_back(std::move(object));
    }
    json["removed"] = std::move(removed);
    Json renamed = Json::array();
    for (const Rename& rename : change.renamed)
        renamed.push_back(Json{{"from", objectJson(*rename.from, kind)}, {"to", objectJson(*rename.to, kind)}});
    json["renamed"] = std::move(renamed);
}

// A matched set whose only differences are renamed objects is "renamed"; any other is "changed".
Json changedSetJson(const ResolvedDat& newDat, const SetChange& change)
{
    bool onlyRenamed = change.added.empty() && change.removed.empty();
    Json json = setJson(*newDat.sets[change.newSet].set, onlyRenamed ? "renamed" : "changed");
    addObjectChanges(json, change, newDat.dat->kind);
    return json;
}

Json movedSetJson(const ResolvedDat& oldDat, const ResolvedDat& newDat, const Move& move)
{
    auto nameOf = [](const Set& set) {
        return Json{{"name", utf8Text(set.name)}, {"description", utf8Text(set.description)}};
    };
    Json json;
    json["old"] = nameOf(*oldDat.sets[move.change.oldSet].set);
    json["new"] = nameOf(*newDat.sets[move.change.newSet].set);
    json["shared_contents"] = move.sharedContents;
    json["old_contents"] = move.oldContents;
    json["new_contents"] = move.newContents;
    json["kept"] = objectList(move.kept, newDat.dat->kind);
    addObjectChanges(json, move.change, newDat.dat->kind);
    return json;
}

Json summaryJson(const RunSummary& summary)
{
    Json json;
    json["new_sets"] = summary.newSets;
    json["removed_sets"] = summary.removedSets;
    json["changed_sets"] = summary.changedSets;
    json["renamed_sets"] = summary.renamedSets;
    json["added_objects"] = summary.addedObjects;
    json["removed_objects"] = summary.removedObjects;
    json["renamed_objects"] = summary.renamedObjects;
    json["moved_sets"] = summary.movedSets;
    return json;
}

// Writes the sets one line each as they are made, so a report of any size never sits whole
// in memory.
class SetLines {
public:
    explicit SetLines(OutputFile& output) : output_(output) {}

    void write(const Json& set)
    {
        output_.write(first_ ? "\n" : ",\n");
        output_.write(set.dump());
        first_ = false;
    }

private:
    OutputFile& output_;
    bool first_ = true;
};

} // namespace

Json inputJson(const Dat& dat)
{
    Json json;
    json["file"] = utf8Text(dat.source.file);
    json["entry"] = dat.source.entry.empty() ? Json(nullptr) : Json(utf8Text(dat.source.entry));
    json["format"] = formatWord(dat.format);
    if (!dat.header.name.empty())
        json["name"] = utf8Text(dat.header.name);
    if (!dat.header.version.empty())
        json["version"] = utf8Text(dat.header.version);
    if (!dat.header.build.empty())
        json["build"] = utf8Text(dat.header.build);
    json["sets"] = dat.sets.size();
    json["objects"] = dat.objects.size();
    return json;
}

Json optionsJson(const Options& options)
{
    Json json;
    json["set_type"] = setTypeWord(options.resolve.setType);
    json["delta"] = static_cast<int>(options.level);
    json["objects"] = kindWord(options.kind);
    json["renames"] = options.withRenames;
    json["nodump"] = options.resolve.includeNodump;
    json["bios_in_sets"] = options.resolve.nonSeparatedBios;
    return json;
}

std::string utf8Text(std::string_view text)
{
    if (isAscii(text) || isValidUtf8(text))
        return std::string(text);
    return latin1ToUtf8(text);
}

void writeJsonReport(OutputFile& output, const Options& options, const ResolvedDat& oldDat, const ResolvedDat& newDat,
                     const Comparison& comparison, const RunSummary& summary)
{
    Json head;
    head["format"] = "setdelta-report";
    head["version"] = jsonReportVersion;
    head["setdelta_version"] = version;
    head["old"] = inputJson(*oldDat.dat);
    head["new"] = inputJson(*newDat.dat);
    head["options"] = optionsJson(options);
    head["summary"] = summaryJson(summary);
    head["moved_sets"] = Json::array();
    for (const Move& move : comparison.movedSets)
        head["moved_sets"].push_back(movedSetJson(oldDat, newDat, move));
    // The sets follow as the object's last member: its closing brace comes after them.
    std::string text = head.dump();
    text.pop_back();
    output.write(text);
    output.write(",\"sets\":[");

    std::vector<std::string_view> movedFrom(newDat.sets.size());
    std::vector<std::string_view> movedTo(oldDat.sets.size());
    for (const Move& move : comparison.movedSets) {
        movedFrom[move.change.newSet] = oldDat.sets[move.change.oldSet].set->name;
        movedTo[move.change.oldSet] = newDat.sets[move.change.newSet].set->name;
    }
    SetLines sets(output);
    for (std::size_t set : comparison.newSets)
        sets.write(wholeSetJson(newDat, set, "new", "moved_from", movedFrom[set]));
    for (const SetChange& change : comparison.changedSets)
        sets.write(changedSetJson(newDat, change));
    for (std::size_t set : comparison.removedSets)
        sets.write(wholeSetJson(oldDat, set, "removed", "moved_to", movedTo[set]));
    output.write("\n]}\n");
}

} // namespace setdelta
