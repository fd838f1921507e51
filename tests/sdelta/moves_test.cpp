// Moved sets: removed sets that live on as new sets under other names, found on small DATs
// written for each rule and on real release pairs.
#include "content.h"
#include "test_support.h"

namespace setdelta::test {
namespace {

std::string names(const std::vector<const Object*>& objects)
{
    std::string text;
    for (const Object* object : objects)
        text += (text.empty() ? "" : " ") + std::string(object->name);
    return text;
}

// "old -> new k/o/n" for each move (shared contents, contents of each side), " | " between.
std::string movesText(const Dat& oldDat, const Dat& newDat, const ResolveOptions& options = {})
{
    ResolvedDat oldResolved = resolve(oldDat, options);
    ResolvedDat newResolved = resolve(newDat, options);
    std::string text;
    for (const Move& move : compare(oldResolved, newResolved, false).movedSets)
        text += (text.empty() ? "" : " | ") + std::string(oldResolved.sets[move.change.oldSet].set->name) + " -> " +
                std::string(newResolved.sets[move.change.newSet].set->name) + " " +
                std::to_string(move.sharedContents) + "/" + std::to_string(move.oldContents) + "/" +
                std::to_string(move.newContents);
    return text;
}

std::string movesText(const std::string& oldContent, const std::string& newContent, ObjectKind kind = ObjectKind::Rom,
                      const ResolveOptions& options = {})
{
    TempFolder folder;
    return movesText(loadDat(folder.write("old.dat", oldContent), kind),
                     loadDat(folder.write("new.dat", newContent), kind), options);
}

// A set in the text format with ROMs "name:crc" of size 1.
std::string game(const std::string& name, const std::vector<std::string>& roms, const std::string& more = {})
{
    std::string text = "game ( name " + name + " " + more;
    for (const std::string& rom : roms) {
        std::size_t colon = rom.find(':');
        text += " rom ( name " + rom.substr(0, colon) + " size 1 crc " + rom.substr(colon + 1) + " )";
    }
    return text + " )\n";
}

TEST(MovedSets, PairsByMostSharedContentsThenNameLengthsThenOrder)
{
    const std::string kept = game("kept", {"k:99"});
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> rows = {
        {"one content each way", game("sf1", {"a:1", "b:2"}), game("sf", {"a:1", "b:2"}), "sf1 -> sf 2/2/2"},
        {"the closer name length wins a tie", game("game", {"a:1", "b:2"}),
         game("gm", {"a:1", "b:2"}) + game("gamex", {"a:1", "b:2"}), "game -> gamex 2/2/2"},
        {"then OLD's order", game("r1", {"a:1", "b:2"}) + game("r2", {"a:1", "b:2"}), game("n1", {"a:1", "b:2"}),
         "r1 -> n1 2/2/2"},
        {"then NEW's order", game("a1", {"a:1", "b:2"}), game("b1", {"a:1", "b:2"}) + game("b2", {"a:1", "b:2"}),
         "a1 -> b1 2/2/2"},
        {"most shared contents first, whatever the order", game("r1", {"a:1", "b:2", "c:3"}) + game("r2", {"a:1", "b:2", "c:3", "d:4"}),
         game("n", {"a:1", "b:2", "c:3", "d:4"}), "r2 -> n 4/4/4"},
        {"a set taken once: the other pairs with what is left", game("r1", {"a:1", "b:2"}) + game("r2", {"a:1", "b:2", "c:3"}),
         game("n1", {"a:1", "b:2", "c:3"}) + game("n2", {"a:1", "b:2"}), "r1 -> n2 2/2/2 | r2 -> n1 3/3/3"},
        {"exactly half of each", game("r", {"a:1", "b:2"}), game("n", {"a:1", "c:3"}), "r -> n 1/2/2"},
        {"less than half of the new set", game("r", {"a:1", "b:2"}), game("n", {"a:1", "c:3", "d:4"}), ""},
        {"less than half of the removed set", game("r", {"a:1", "b:2", "c:3"}), game("n", {"a:1"}), ""},
        {"split between two new sets, each with contents of its own", game("r", {"a:1", "b:2", "c:3", "d:4"}),
         game("n1", {"a:1", "b:2", "x:5", "y:6", "z:7"}) + game("n2", {"c:3", "d:4", "u:8", "v:9", "w:a"}), ""},
        {"a content listed twice counts once", game("r", {"a:1", "a2:1", "b:2"}), game("n", {"a:1", "c:3"}),
         "r -> n 1/2/2"},
        {"nodump objects are no contents", game("r", {"a:0", "b:0"}), game("n", {"a:0", "b:0"}), ""},
        {"a set matched by name never moves", game("x", {"a:1"}), game("x", {"b:2"}) + game("n", {"a:1"}), ""},
    };
    for (const auto& [what, oldContent, newContent, expected] : rows) {
        SCOPED_TRACE(what);
        EXPECT_EQ(movesText(kept + oldContent, kept + newContent), expected);
    }
}

// Within a move objects pair as in a changed set, renames included; setdelta.dat is as if there
// were no move: the new set whole, and under ROM archival the removed set whole.
TEST(MovedSets, RenamedAndChangedSetPairsItsObjectsAndWritesNothingOfIt)
{
    const std::string oldContent = game("oldname", {"r1:1", "r2:2", "r3:3", "r4:4"});
    const std::string newContent = game("newname", {"n1:1", "r2:2", "r3:3", "r9:9"});
    TempFolder folder;
    Dat oldDat = loadDat(folder.write("old.dat", oldContent), ObjectKind::Rom);
    Dat newDat = loadDat(folder.write("new.dat", newContent), ObjectKind::Rom);
    ResolvedDat oldResolved = resolve(oldDat, {});
    ResolvedDat newResolved = resolve(newDat, {});
    Comparison comparison = compare(oldResolved, newResolved, false);
    ASSERT_EQ(comparison.movedSets.size(), 1u);
    const Move& move = comparison.movedSets[0];
    EXPECT_EQ(move.sharedContents, 3u);
    EXPECT_EQ(names(move.change.added), "r9");
    EXPECT_EQ(names(move.change.removed), "r4");
    ASSERT_EQ(move.change.renamed.size(), 1u) << "renames are listed without -r too";
    EXPECT_EQ(move.change.renamed[0].from->name, "r1");
    EXPECT_EQ(move.change.renamed[0].to->name, "n1");
    EXPECT_EQ(comparison.newSets.size(), 1u);
    EXPECT_EQ(comparison.removedSets.size(), 1u);

    EXPECT_EQ(deltaText(oldContent, newContent, {}), "newname: n1 r2 r3 r9");
    EXPECT_EQ(deltaText(oldContent, newContent, {.level = DeltaLevel::RomArchival, .withRenames = true}),
              "oldname: r1 r2 r3 r4");
}

// A set's contents are those of its non-merged set without BIOS objects, whatever the set type:
// games sharing only their BIOS are no move, a clone renamed with its parent's ROMs is one.
TEST(MovedSets, ContentsAreNonMergedWithoutBiosObjects)
{
    const std::string bios = "resource ( name neogeo rom ( name b1 size 1 crc b1 ) rom ( name b2 size 1 crc b2 ) "
                             "rom ( name b3 size 1 crc b3 ) )\n";
    const std::string parent = game("parent", {"p1:11", "p2:12", "p3:13"});
    const std::string oldContent = bios + parent + game("gameone", {"x:21", "b1:b1", "b2:b2", "b3:b3"}, "romof neogeo") +
                                   game("clonea", {"c:31"}, "cloneof parent romof parent");
    const std::string newContent = bios + parent + game("gametwo", {"y:22", "b1:b1", "b2:b2", "b3:b3"}, "romof neogeo") +
                                   game("cloneb", {"c:31", "d:32"}, "cloneof parent romof parent");
    for (SetType type : {SetType::Split, SetType::NonMerged}) {
        SCOPED_TRACE(static_cast<int>(type));
        EXPECT_EQ(movesText(oldContent, newContent, ObjectKind::Rom, {type, true, true}), "clonea -> cloneb 4/4/5")
            << "nodump and BIOS objects left out whatever -z and -b say";
    }
    // Merged, the clones are part of their parent, which did not move.
    EXPECT_EQ(movesText(oldContent, newContent, ObjectKind::Rom, {SetType::Merged}), "");
}

TEST(MovedSets, DisksAndSamplesMoveByTheirOwnIdentity)
{
    const std::string oldList = R"xml(<mame><machine name="chdold"><disk name="a" sha1="0123456789abcdef0123456789abcdef01234567"/>
</machine><machine name="loud"><sample name="s1.wav"/><sample name="s2.wav"/></machine></mame>)xml";
    const std::string newList = R"xml(<mame><machine name="chdnew"><disk name="b" sha1="0123456789abcdef0123456789abcdef01234567"/>
</machine><machine name="louder"><sample name="s1.wav"/><sample name="s2.wav"/><sample name="s3.wav"/></machine></mame>)xml";
    EXPECT_EQ(movesText(oldList, newList, ObjectKind::Disk), "chdold -> chdnew 1/1/1");
    EXPECT_EQ(movesText(oldList, newList, ObjectKind::Sample), "loud -> louder 2/2/3");
    EXPECT_EQ(movesText(oldList, newList, ObjectKind::Rom), "") << "sets without ROMs take no part";
}

} // namespace
} // namespace setdelta::test
