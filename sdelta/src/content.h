#pragma once

#include "dat.h"
#include "object_index.h"

#include <array>
#include <utility>
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

// Answers "does any object of this scope have this content?" for many objects at once. A scope
// is a number the caller gives, such as a set's index, so one index serves every set of a DAT.
// The objects must outlive the index.
class ContentIndex {
public:
    explicit ContentIndex(ObjectKind kind) : kind_(kind) {}

    void add(const Object& object, std::size_t scope = 0);
    void build();
    void clear();

    // Whether an object of the scope shares a key with `object`: only those can have its content.
    bool mayHold(const Object& object, std::size_t scope = 0) const
    {
        for (const Key& key : keysOf(object, scope)) {
            if (key.list == List::None)
                continue;
            const ObjectIndex& index = key.list == List::Primary ? byPrimary_ : bySecondary_;
            if (index.find(key.value, scope, [](const Object&) { return true; }))
                return true;
        }
        return false;
    }

    bool holds(const Object& object, std::size_t scope = 0) const
    {
        return find(object, scope, [](const Object&) { return true; }) != nullptr;
    }

    // The first object of the scope with the content of `object` that `accept` takes, or null.
    template <typename Accept>
    const Object* find(const Object& object, std::size_t scope, Accept accept) const
    {
        auto matches = [&](const Object& candidate) {
            return sameContent(candidate, object, kind_) && accept(candidate);
        };
        for (const Key& key : keysOf(object, scope)) {
            if (key.list == List::None)
                continue;
            const ObjectIndex& index = key.list == List::Primary ? byPrimary_ : bySecondary_;
            if (const Object* found = index.find(key.value, scope, matches))
                return found;
        }
        return nullptr;
    }

private:
    enum class List : std::uint8_t { None, Primary, Secondary };
    struct Key {
        List list = List::None;
        std::uint64_t value = 0;
    };

    // The lists an object is found in, with its key in each.
    std::array<Key, 2> keysOf(const Object& object, std::size_t scope) const;

    ObjectKind kind_;
    // A ROM with a CRC is found through it, one with a SHA-1 through that as well, so a
    // ROM that has only one of the two still meets its match.
    ObjectIndex byPrimary_;
    ObjectIndex bySecondary_;
};

// Answers "does this scope list an object of this name and content?".
class NameIndex {
public:
    explicit NameIndex(ObjectKind kind) : kind_(kind) {}

    void add(const Object& object, std::size_t scope = 0);
    void build() { index_.build(); }
    void clear() { index_.clear(); }
    bool holdsSame(const Object& object, std::size_t scope = 0) const;

private:
    ObjectKind kind_;
    ObjectIndex index_;
};

// Objects kept once per name and content, in the order first met: a set that lists the same
// ROM for two regions, or a family whose sets share it, holds it once.
class DistinctObjects {
public:
    explicit DistinctObjects(ObjectKind kind) : kind_(kind) {}

    // Adds the object unless an object of the same name and content is there already.
    void add(const Object* object);
    std::vector<const Object*> take();

private:
    void grow();
    void place(std::size_t position);

    ObjectKind kind_;
    std::vector<const Object*> objects_;
    // Open addressing by name hash: each slot holds a position in objects_ plus one, 0 is free.
    std::vector<std::uint32_t> slots_;
    std::vector<std::uint64_t> hashes_; // per object, its name's hash
};

} // namespace setdelta
