// Properties that must hold on any pair of DATs, checked on real DATs as published.
#include "content.h"
#include "dat_writer.h"
#include "test_support.h"

#include <algorithm>
#include <map>
#include <zip.h>

namespace setdelta::test {
namespace {

// Tests on the real DATs beside the project, skipped with a message where they are missing.
class RealDats : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(sharedDats()))
            GTEST_SKIP() << "the real DATs are not beside the project (" << SHARED_DATS_DIR << ")";
    }
    static std::filesystem::path sharedDats() { return SHARED_DATS_DIR; }
    // A DAT by file name; a zipped one is extracted first, `entry` picking one of several.
    std::string dat(const std::string& name, const std::string& entry = {})
    {
        std::filesystem::path path = sharedDats() / name;
        if (path.extension() != ".zip")
            return path.string();
        zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
        zip_int64_t index = entry.empty() ? 0 : zip_name_locate(archive, entry.c_str(), 0);
        zip_stat_t stat;
        EXPECT_EQ(zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat), 0) << name << " " << entry;
        std::string data(static_cast<std::size_t>(stat.size), '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
        zip_fread(file, data.data(), stat.size);
        zip_fclose(file);
        std::string extracted = extracted_.write(std::filesystem::path(stat.name).filename().string(), data);
        zip_close(archive); // which frees stat.name
        return extracted;
    }

    TempFolder folder_, extracted_;
};

// Writes every set of a DAT with all its listed objects in the text format.
void writeWholeDat(const Dat& dat, const std::filesystem::path& path)
{
    OutputFile output(path.string());
    DatWriter writer(output, dat.kind, true);
    for (const Set& set : dat.sets) {
        std::vector<const Object*> objects;
        for (const Object& object : dat.objectsOf(set))
            objects.push_back(&object);
        writer.writeSet(set, objects);
    }
    output.commit();
}

bool holdsEach(std::span<const Object* const> holder, std::span<const Object* const> objects, ObjectKind kind)
{
    return std::ranges::all_of(objects, [&](const Object* object) {
        return std::ranges::any_of(holder, [&](const Object* held) { return sameObject(*held, *object, kind); });
    });
}

// Every set of NEW that -d1 does not write has the very same objects in OLD.
void expectUnwrittenSetsIdentical(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                                  const std::vector<DeltaSet>& written)
{
    ObjectKind kind = newDat.dat->kind;
    for (const ResolvedSet& set : newDat.sets) {
        if (std::ranges::any_of(written, [&](const DeltaSet& delta) { return delta.set == set.set; }))
            continue;
        std::ptrdiff_t oldIndex = oldDat.find(set.set->name);
        ASSERT_GE(oldIndex, 0) << set.set->name;
        auto oldObjects = oldDat.objectsOf(static_cast<std::size_t>(oldIndex));
        auto newObjects = newDat.objectsOf(set);
        EXPECT_TRUE(holdsEach(oldObjects, newObjects, kind) && holdsEach(newObjects, oldObjects, kind))
            << set.set->name;
    }
}

// Each DAT compared with itself gives no set, in ROMs and in disks; two versions give sets, and
// every set -d1 leaves out is the same in both.
TEST_F(RealDats, LargerLeavesOutOnlyIdenticalSets)
{
    std::vector<std::tuple<std::string, std::string, ObjectKind>> pairs = {
        {"mame_0.78_listxml.zip", "mame_0.94_listxml.zip", ObjectKind::Rom},
        {"fbneo_0.2.97.44_neogeo.dat", "fbneo_1.0.0.03_neogeo.dat", ObjectKind::Rom}};
    for (const char* name : {"mame_0.37b5_listinfo.zip", "mame_0.78_listxml.zip", "mame_0.94_listxml.zip",
                             "mame_0.78_chds_merged.zip", "fbneo_0.2.97.44_neogeo.dat", "fbneo_1.0.0.03_neogeo.dat",
                             "hbmame_0.220.dat"})
        for (ObjectKind kind : {ObjectKind::Rom, ObjectKind::Disk})
            pairs.emplace_back(name, name, kind);
    for (const auto& [oldName, newName, kind] : pairs) {
        Dat oldDat = loadDat(dat(oldName), kind);
        Dat newDat = loadDat(dat(newName), kind);
        for (SetType type : {SetType::Split, SetType::Merged, SetType::NonMerged}) {
            SCOPED_TRACE(oldName + " " + newName + " " + std::to_string(static_cast<int>(type)));
            const Options options{.resolve{type, oldName == newName}, .level = DeltaLevel::Larger, .withRenames = true};
            ResolvedDat oldResolved = resolve(oldDat, options.resolve);
            ResolvedDat newResolved = resolve(newDat, options.resolve);
            std::vector<DeltaSet> written = deltaOf(oldResolved, newResolved, options);
            EXPECT_EQ(written.empty(), oldName == newName);
            expectUnwrittenSetsIdentical(oldResolved, newResolved, written);
        }
    }
}

// The same content in the text format gives the same setdelta.dat as the XML it came from.
TEST_F(RealDats, TextAndXmlOfTheSameContentGiveTheSameResult)
{
    std::string oldXml = dat("mame_0.78_listxml.zip");
    std::string newXml = dat("mame_0.94_listxml.zip");
    writeWholeDat(loadDat(oldXml, ObjectKind::Rom), folder_.file("old.dat"));
    writeWholeDat(loadDat(newXml, ObjectKind::Rom), folder_.file("new.dat"));
    for (std::string switches : {"-s", "-m", "-n", "-d3", "-d4", "-r", "-z", "-b"}) {
        ASSERT_EQ(runTool(folder_.path(), {switches, oldXml, newXml}).status, ExitSuccess);
        std::string fromXml = readFile(folder_.file("setdelta.dat"));
        ASSERT_EQ(runTool(folder_.path(), {switches, "old.dat", "new.dat"}).status, ExitSuccess);
        EXPECT_EQ(readFile(folder_.file("setdelta.dat")), fromXml) << switches;
        EXPECT_FALSE(fromXml.empty());
    }
}

TEST_F(RealDats, TheTwoFormatsOfOneMameVersionAgree)
{
    ToolRun result = runTool(folder_.path(), {"-d1", dat("mame_0.37b5_listinfo.zip", "mame_0.37b5.dat"),
                                              dat("mame_0.37b5_listinfo.zip", "mame_0.37b5.xml")});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), "");
}

// The CHD DAT is merged: it agrees with the listxml of its version as merged sets, and as
// split sets differs only where a clone's disk went into its parent.
TEST_F(RealDats, DisksOfAListxmlAgainstAMergedChdDat)
{
    std::string listxml = dat("mame_0.78_listxml.zip");
    std::string chds = dat("mame_0.78_chds_merged.zip");
    ToolRun merged = runTool(folder_.path(), {"-m", "-o", "disk", listxml, chds});
    ASSERT_EQ(merged.status, ExitSuccess) << merged.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), "");
    ASSERT_EQ(runTool(folder_.path(), {"-s", "-o", "disk", listxml, chds}).status, ExitSuccess);
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")),
              "game (\r\n\tname jdredd\r\n\tdescription \"Judge Dredd (Rev C)\"\r\n\tyear 1996\r\n"
              "\tmanufacturer Acclaim\r\n\tdisk ( name jdreddb sha1 9b810e3a16de62cabfc8271b6606574c7034cf41 )\r\n"
              ")\r\n\r\n");
}

// Moved sets look only at the sets they ask about, with their parents and BIOS sets: what a few
// sets hold so is what they hold in the whole DAT resolved as non-merged sets.
void expectSomeListsAsResolved(const Dat& dat)
{
    ResolvedDat whole = resolve(dat, {SetType::NonMerged});
    std::vector<std::size_t> some;
    for (std::size_t set = 0; set < whole.sets.size(); set += 7)
        some.push_back(static_cast<std::size_t>(whole.sets[set].set - dat.sets.data()));
    std::vector<std::vector<const Object*>> lists = nonMergedObjectsOf(dat, some);
    for (std::size_t i = 0; i < some.size(); ++i) {
        auto expected = whole.objectsOf(7 * i);
        ASSERT_TRUE(std::ranges::equal(lists[i], expected)) << dat.sets[some[i]].name;
    }
}

// Sets that releases renamed, found by their contents: each removed set's name in NEW.
TEST_F(RealDats, MovedSetsOfRealReleasePairs)
{
    const std::vector<std::tuple<std::string, std::string, std::size_t, std::vector<std::pair<std::string, std::string>>>> pairs = {
        {"mame_0.78_listxml.zip", "mame_0.94_listxml.zip", 48, {{"sf1", "sf"}, {"dwj", "dynwarj"}, {"auraila", "aurail1"}}},
        {"fbneo_0.2.97.44_neogeo.dat", "fbneo_1.0.0.03_neogeo.dat", 9, {{"samsho2sp", "samsh2sp"}, {"kf2k1pa", "kf2k1pla"}}},
    };
    for (const auto& [oldName, newName, count, examples] : pairs) {
        SCOPED_TRACE(oldName);
        Dat oldDat = loadDat(dat(oldName), ObjectKind::Rom);
        Dat newDat = loadDat(dat(newName), ObjectKind::Rom);
        expectSomeListsAsResolved(oldDat);
        expectSomeListsAsResolved(newDat);
        for (SetType type : {SetType::Split, SetType::NonMerged}) {
            ResolvedDat oldResolved = resolve(oldDat, {type});
            ResolvedDat newResolved = resolve(newDat, {type});
            Comparison comparison = compare(oldResolved, newResolved, false);
            EXPECT_EQ(comparison.movedSets.size(), count);
            std::map<std::string_view, std::string_view> movedTo;
            for (const Move& move : comparison.movedSets)
                movedTo[oldResolved.sets[move.change.oldSet].set->name] = newResolved.sets[move.change.newSet].set->name;
            for (const auto& [from, to] : examples)
                EXPECT_EQ(movedTo[from], to) << from;
        }
    }
}

// Read straight from its archive, each DAT is the DAT extracted from it; and a real DAT with
// broken quoting reads the same through gzip.
TEST_F(RealDats, ZippedAndGzippedDatsReadAsTheirExtractedEntries)
{
    for (const auto& [archive, entry] : {std::pair{"mame_0.37b5_listinfo.zip", "mame_0.37b5.dat"},
                                         std::pair{"mame_0.37b5_listinfo.zip", "mame_0.37b5.xml"},
                                         std::pair{"mame_0.78_listxml.zip", ""}, std::pair{"mame_0.78_chds_merged.zip", ""}}) {
        Dat zipped = loadDat((sharedDats() / archive).string(), ObjectKind::Rom, entry);
        Dat extracted = loadDat(dat(archive, entry), ObjectKind::Rom);
        EXPECT_EQ(zipped.sets.size(), extracted.sets.size()) << archive;
        EXPECT_EQ(zipped.objects.size(), extracted.objects.size()) << archive;
        EXPECT_EQ(deltaText(extracted, zipped, {.level = DeltaLevel::Larger, .withRenames = true}), "") << archive;
    }
    std::string hbmame = readFile(sharedDats() / "hbmame_0.220.dat");
    std::filesystem::path gzipped = folder_.file("hbmame.dat.gz");
    writeGzip(gzipped, hbmame);
    for (const std::string& path : {(sharedDats() / "hbmame_0.220.dat").string(), gzipped.string()}) {
        Dat broken = loadDat(path, ObjectKind::Rom);
        EXPECT_EQ(broken.sets.size(), 8546u);
        EXPECT_EQ(broken.objects.size(), 8546u);
        EXPECT_EQ(broken.warnings.size(), 13u) << "one for each value quoted across a line break";
    }
}

// Quotes and backslashes put into every kind of value of real DATs come back unchanged from
// the text format: a quote and a backslash before a quote or a backslash are escaped, any
// other backslash (a path separator) stands for itself.
TEST_F(RealDats, QuotesAndBackslashesReadBackUnchangedFromTheTextFormat)
{
    const std::vector<std::string> awkward = {"\"", "\\", "\\\"", "a\\b", "C:\\dir\\", "\"quoted\" (x)", "end\\\\"};
    for (std::string name : {"mame_0.37b5_listinfo.zip", "fbneo_1.0.0.03_neogeo.dat", "hbmame_0.220.dat"}) {
        Dat original = loadDat(dat(name), ObjectKind::Rom);
        std::size_t next = 0;
        auto spice = [&](std::string_view value) {
            return original.strings.store(std::string(value) + awkward[next++ % awkward.size()]);
        };
        const auto fields = {&Set::description, &Set::manufacturer, &Set::year};
        for (Set& set : original.sets)
            for (auto field : fields)
                set.*field = spice(set.*field);
        for (Object& object : original.objects)
            object.name = spice(object.name);
        writeWholeDat(original, folder_.file("spiced.dat"));
        Dat back = loadDat(folder_.file("spiced.dat").string(), ObjectKind::Rom);
        ASSERT_EQ(back.sets.size(), original.sets.size()) << name;
        ASSERT_EQ(back.objects.size(), original.objects.size()) << name;
        for (std::size_t i = 0; i < back.sets.size(); ++i)
            for (auto field : fields)
                EXPECT_EQ(back.sets[i].*field, original.sets[i].*field) << name;
        for (std::size_t i = 0; i < back.objects.size(); ++i)
            ASSERT_EQ(back.objects[i].name, original.objects[i].name) << name;
    }
}

// Memory running out while expat calls the reader stops the parser, and the run reports it as an
// input error naming where reading stopped. The limits step through the whole read, so that some
// run fails inside the parser whatever the machine's own share of the address space.
TEST_F(RealDats, RunningOutOfMemoryInsideTheXmlParserIsAnInputError)
{
#if defined(TOOL_HAS_ADDRESS_SANITIZER)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space, so the tool cannot start under a limit";
#endif
    folder_.write("old.dat", "game ( name a rom ( name a size 1 crc 1 ) )\n");
    std::string newDat = (sharedDats() / "mame_0.94_listxml.zip").string();
    int failedInsideTheParser = 0;
    for (rlim_t megabytes = 16; megabytes <= 32; megabytes += 4) {
        ToolRun result = runTool(folder_.path(), {"old.dat", newDat}, {.addressSpace = megabytes << 20});
        if (result.status == ExitSuccess)
            continue;
        EXPECT_EQ(result.status, ExitInput) << megabytes << " MiB: " << result.err;
        EXPECT_NE(result.err.find("out of memory"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
        if (result.err.find("(entry mame_0.94.xml):") != std::string::npos)
            ++failedInsideTheParser;
    }
    EXPECT_GT(failedInsideTheParser, 0);
}

} // namespace
} // namespace setdelta::test
