#pragma once

#include "dat.h"

#include <vector>

namespace setdelta {

// An object that was never dumped: marked so, a ROM with no hash, or a ROM whose CRC is
// 00000000 with no SHA-1 (how older DATs mark it). Such objects are known by name only.
bool isNodump(const Object& object, ObjectKind kind);

// Content identity: ROMs by size and CRC-32, and SHA-1 where both have one; disks by SHA-1,
// or MD5 where there is no SHA-1; samples by name. A nodump object only matches a nodump
// object of the same name.
bool sameContent(const Object& a, const Object& b, ObjectKind kind);

// Same name and same content: the identity of an object within a set.
bool sameObject(const Object& a, const Object& b, ObjectKind kind);

// Answers "does any of these objects have this content?" for many objects at once.
// The objects must outlive the index.
class ContentIndex {
public:
    explicit ContentIndex(ObjectKind kind) : kind_(kind) {}

    void add(const Object& object);
    void build();
    bool holds(const Object& object) const;

private:
    struct Entry {
        std::uint64_t key;
        const Object* object;
        bool operator<(const Entry& other) const { return key < other.key; }
    };

    static std::uint64_t crcKey(const Object& object);
    static std::uint64_t sha1Key(const Object& object);
    static std::uint64_t md5Key(const Object& object);
    static std::uint64_t nameKey(const Object& object);
    bool holdsIn(const std::vector<Entry>& entries, std::uint64_t key, const Object& object) const;

    ObjectKind kind_;
    // A ROM with a CRC is found through it, one with a SHA-1 through that as well, so a
    // ROM that has only one of the two still meets its match.
    std::vector<Entry> byPrimary_;
    std::vector<Entry> bySecondary_;
};

} // namespace setdelta
