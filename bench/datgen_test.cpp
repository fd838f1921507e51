// Checks that the generated DATs are consistent the way a real MAME -listxml is: a benchmark on
// a DAT whose merge marks point nowhere would measure setdelta on broken input. That they parse,
// hold the counts datgen reports and come out the same from the same seed is the smoke test's.

#include "datgen/catalogue.h"
#include "datgen/listxml_writer.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kSets = 1500;
constexpr std::uint64_t kSeed = 7;

struct Object {
    std::string name;
    std::string merge;
    std::string content; // size, crc, sha1 and status together
};

struct Set {
    std::string cloneof;
    std::string romof;
    bool isBios = false;
    bool isDevice = false;
    std::vector<Object> roms;
    std::vector<Object> disks;
};

using Dat = std::map<std::string, Set>;

std::string attribute(const XML_Char** attributes, const char* name)
{
    for (; *attributes != nullptr; attributes += 2)
        if (std::string_view(attributes[0]) == name)
            return attributes[1];
    return {};
}

void XMLCALL startElement(void* userData, const XML_Char* name, const XML_Char** attributes)
{
    auto& [dat, current] = *static_cast<std::pair<Dat, Set*>*>(userData);
    const std::string_view element = name;
    if (element == "machine") {
        current = &dat[attribute(attributes, "name")];
        *current = Set{attribute(attributes, "cloneof"), attribute(attributes, "romof"),
                       attribute(attributes, "isbios") == "yes", attribute(attributes, "isdevice") == "yes", {}, {}};
    } else if (element == "rom" || element == "disk") {
        (element == "rom" ? current->roms : current->disks)
            .push_back({attribute(attributes, "name"), attribute(attributes, "merge"),
                        attribute(attributes, "size") + "/" + attribute(attributes, "crc") + "/" +
                            attribute(attributes, "sha1") + "/" + attribute(attributes, "status")});
    }
}

Dat readListxml(const std::filesystem::path& path)
{
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string xml = text.str();
    std::pair<Dat, Set*> reader;
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                               &XML_ParserFree);
    XML_SetUserData(parser.get(), &reader);
    XML_SetStartElementHandler(parser.get(), startElement);
    EXPECT_EQ(XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1), XML_STATUS_OK) << path;
    return reader.first;
}

// The object a merge mark names, looked up along romof: a clone's parent, then the parent's BIOS.
const Object* mergeSource(const Dat& dat, const Set& set, const Object& object, bool disk)
{
    for (auto source = dat.find(set.romof); source != dat.end(); source = dat.find(source->second.romof))
        for (const Object& candidate : disk ? source->second.disks : source->second.roms)
            if (candidate.name == object.merge)
                return &candidate;
    return nullptr;
}

void expectConsistent(const Dat& dat)
{
    for (const auto& [name, set] : dat) {
        if (!set.cloneof.empty()) {
            ASSERT_TRUE(dat.count(set.cloneof)) << name << " is a clone of a missing set";
            EXPECT_TRUE(dat.at(set.cloneof).cloneof.empty()) << name << "'s parent is a clone";
            EXPECT_EQ(set.romof, set.cloneof) << name;
        } else if (!set.romof.empty()) {
            ASSERT_TRUE(dat.count(set.romof)) << name << " uses a missing BIOS";
            EXPECT_TRUE(dat.at(set.romof).isBios) << name << " has romof a set that is no BIOS";
        }
        for (const bool disk : {false, true}) {
            std::set<std::string> names;
            for (const Object& object : disk ? set.disks : set.roms) {
                EXPECT_TRUE(names.insert(object.name).second) << name << " lists " << object.name << " twice";
                if (object.merge.empty())
                    continue;
                const Object* source = mergeSource(dat, set, object, disk);
                ASSERT_NE(source, nullptr) << name << ": merge=\"" << object.merge << "\" names nothing";
                EXPECT_EQ(source->content, object.content) << name << ": " << object.name;
            }
        }
    }
}

// Both copies are consistent, OLD has every kind of set and object a MAME listxml has, and NEW
// differs from it by a few percent, as one MAME version from the next.
TEST(GeneratedListxml, HasTheShapeOfAMameListxmlAndAChangedCopyOfIt)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("datgen_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    datgen::Catalogue catalogue = datgen::buildCatalogue(kSets, kSeed);
    datgen::writeListxml(catalogue, (folder / "old.xml").string(), "0.1 (test)");
    datgen::applyChanges(catalogue, kSeed + 1);
    datgen::writeListxml(catalogue, (folder / "new.xml").string(), "0.2 (test)");
    const Dat oldDat = readListxml(folder / "old.xml");
    const Dat newDat = readListxml(folder / "new.xml");
    std::filesystem::remove_all(folder);
    expectConsistent(oldDat);
    expectConsistent(newDat);

    std::map<std::string, std::size_t> counts;
    for (const auto& [name, set] : oldDat) {
        counts["bios"] += set.isBios;
        counts["device"] += set.isDevice;
        counts["clone"] += !set.cloneof.empty();
        counts["disk"] += set.disks.size();
        for (const Object& rom : set.roms) {
            counts["nodump"] += rom.content.ends_with("/nodump");
            counts["merged"] += !rom.merge.empty();
        }
        const auto match = newDat.find(name);
        if (match == newDat.end()) {
            ++counts["removed"];
            continue;
        }
        std::set<std::string> oldRoms, newRoms;
        for (const Object& rom : set.roms)
            oldRoms.insert(rom.name + "/" + rom.content);
        for (const Object& rom : match->second.roms)
            newRoms.insert(rom.name + "/" + rom.content);
        counts["changed"] += oldRoms != newRoms;
    }
    counts["added"] = newDat.size() + counts["removed"] - oldDat.size();
    EXPECT_EQ(oldDat.size(), kSets);
    for (const auto& [what, least] : std::map<std::string, std::size_t>{
             {"bios", 1}, {"device", kSets / 20 + 1}, {"clone", kSets / 3 + 1}, {"disk", 1}, {"nodump", 1}, {"merged", kSets + 1},
             {"removed", kSets / 200}, {"added", kSets / 100}, {"changed", kSets / 50}})
        EXPECT_GE(counts[what], least) << what;
    for (const auto& [what, most] :
         std::map<std::string, std::size_t>{{"removed", kSets / 50}, {"added", kSets / 25}, {"changed", kSets / 5}})
        EXPECT_LE(counts[what], most) << what;
}

} // namespace
