// Checks that the generated DATs are consistent the way a real MAME -listxml is: a benchmark on
// a DAT whose merge marks point nowhere would measure setdelta on broken input.

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

Object objectFrom(const XML_Char** attributes)
{
    return Object{attribute(attributes, "name"), attribute(attributes, "merge"),
                  attribute(attributes, "size") + "/" + attribute(attributes, "crc") + "/"
                      + attribute(attributes, "sha1") + "/" + attribute(attributes, "status")};
}

struct Reader {
    Dat dat;
    Set* current = nullptr;
};

void XMLCALL startElement(void* userData, const XML_Char* name, const XML_Char** attributes)
{
    auto& reader = *static_cast<Reader*>(userData);
    const std::string_view element = name;
    if (element == "machine") {
        Set& set = reader.dat[attribute(attributes, "name")];
        set.cloneof = attribute(attributes, "cloneof");
        set.romof = attribute(attributes, "romof");
        set.isBios = attribute(attributes, "isbios") == "yes";
        set.isDevice = attribute(attributes, "isdevice") == "yes";
        reader.current = &set;
    } else if (element == "rom") {
        reader.current->roms.push_back(objectFrom(attributes));
    } else if (element == "disk") {
        reader.current->disks.push_back(objectFrom(attributes));
    }
}

Dat readListxml(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string xml = text.str();

    Reader reader;
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                               &XML_ParserFree);
    XML_SetUserData(parser.get(), &reader);
    XML_SetStartElementHandler(parser.get(), startElement);
    const bool parsed = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    EXPECT_TRUE(parsed) << path << ":" << XML_GetCurrentLineNumber(parser.get()) << ": "
                        << XML_ErrorString(XML_GetErrorCode(parser.get()));
    return reader.dat;
}

const Object* findByName(const std::vector<Object>& objects, const std::string& name)
{
    for (const Object& object : objects)
        if (object.name == name)
            return &object;
    return nullptr;
}

// The object a merge mark names, looked up along romof: a clone's parent, then the parent's BIOS.
const Object* mergeSource(const Dat& dat, const Set& set, const Object& object, bool disk)
{
    for (auto source = dat.find(set.romof); source != dat.end(); source = dat.find(source->second.romof)) {
        const auto& objects = disk ? source->second.disks : source->second.roms;
        if (const Object* found = findByName(objects, object.merge))
            return found;
    }
    return nullptr;
}

class GeneratedListxml : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::filesystem::temp_directory_path() / ("datgen_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        datgen::Catalogue catalogue = datgen::buildCatalogue(kSets, kSeed);
        datgen::writeListxml(catalogue, (folder_ / "old.xml").string(), "0.1 (test)");
        datgen::applyChanges(catalogue, kSeed + 1);
        datgen::writeListxml(catalogue, (folder_ / "new.xml").string(), "0.2 (test)");
        oldDat_ = readListxml(folder_ / "old.xml");
        newDat_ = readListxml(folder_ / "new.xml");
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }

    static void expectConsistent(const Dat& dat)
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
            expectMergesResolve(dat, name, set);
        }
    }

    static void expectMergesResolve(const Dat& dat, const std::string& name, const Set& set)
    {
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

    static inline std::filesystem::path folder_;
    static inline Dat oldDat_;
    static inline Dat newDat_;
};

TEST_F(GeneratedListxml, HasTheShapeOfAMameListxml)
{
    std::size_t bioses = 0, devices = 0, clones = 0, disks = 0, nodumps = 0, merged = 0;
    for (const auto& [name, set] : oldDat_) {
        bioses += set.isBios;
        devices += set.isDevice;
        clones += !set.cloneof.empty();
        disks += set.disks.size();
        for (const Object& rom : set.roms) {
            nodumps += rom.content.ends_with("/nodump");
            merged += !rom.merge.empty();
        }
    }
    EXPECT_EQ(oldDat_.size(), kSets);
    EXPECT_GT(bioses, 0u);
    EXPECT_GT(devices, kSets / 20);
    EXPECT_GT(clones, kSets / 3);
    EXPECT_GT(disks, 0u);
    EXPECT_GT(nodumps, 0u);
    EXPECT_GT(merged, kSets);
}

TEST_F(GeneratedListxml, ParentsBiosSetsAndMergesAreConsistent)
{
    expectConsistent(oldDat_);
}

TEST_F(GeneratedListxml, ChangedCopyStaysConsistent)
{
    expectConsistent(newDat_);
}

TEST_F(GeneratedListxml, ChangedCopyDiffersByAFewPercent)
{
    std::size_t removed = 0, changed = 0;
    for (const auto& [name, set] : oldDat_) {
        const auto match = newDat_.find(name);
        if (match == newDat_.end()) {
            ++removed;
            continue;
        }
        std::set<std::string> oldRoms, newRoms;
        for (const Object& rom : set.roms)
            oldRoms.insert(rom.name + "/" + rom.content);
        for (const Object& rom : match->second.roms)
            newRoms.insert(rom.name + "/" + rom.content);
        changed += oldRoms != newRoms;
    }
    const std::size_t added = newDat_.size() + removed - oldDat_.size();
    EXPECT_GE(removed, kSets / 200);
    EXPECT_LE(removed, kSets / 50);
    EXPECT_GE(added, kSets / 100);
    EXPECT_LE(added, kSets / 25);
    EXPECT_GE(changed, kSets / 50);
    EXPECT_LE(changed, kSets / 5);
}

} // namespace
