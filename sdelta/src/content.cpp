#include "content.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace setdelta {
namespace {

bool sameRomContent(const Object& a, const Object& b)
{
    if (a.hasSize != b.hasSize || a.size != b.size)
        return false;
    bool crcCompared = a.hasCrc && b.hasCrc;
    bool sha1Compared = a.hasSha1 && b.hasSha1;
    if (crcCompared && a.crc != b.crc)
        return false;
    if (sha1Compared && a.sha1 != b.sha1)
        return false;
    return crcCompared || sha1Compared;
}

bool sameDiskContent(const Object& a, const Object& b)
{
    if (a.hasSha1 && b.hasSha1)
        return a.sha1 == b.sha1;
    if (a.hasMd5 && b.hasMd5)
        return a.md5 == b.md5;
    return false;
}

template <std::size_t N>
std::uint64_t firstEightBytes(const std::array<std::uint8_t, N>& digest)
{
    std::uint64_t key = 0;
    std::memcpy(&key, digest.data(), sizeof key);
    return key;
}

} // namespace

bool isNodump(const Object& object, ObjectKind kind)
{
    if (object.status == DumpStatus::NoDump)
        return true;
    switch (kind) {
    case ObjectKind::Rom:
        return (!object.hasCrc && !object.hasSha1) || (object.hasCrc && object.crc == 0 && !object.hasSha1);
    case ObjectKind::Disk:
        return !object.hasSha1 && !object.hasMd5;
    case ObjectKind::Sample:
        return false;
    }
    return false;
}

bool sameContent(const Object& a, const Object& b, ObjectKind kind)
{
    bool aNodump = isNodump(a, kind);
    if (aNodump != isNodump(b, kind))
        return false;
    if (aNodump)
        return a.name == b.name;
    switch (kind) {
    case ObjectKind::Rom: return sameRomContent(a, b);
    case ObjectKind::Disk: return sameDiskContent(a, b);
    case ObjectKind::Sample: return a.name == b.name;
    }
    return false;
}

bool sameObject(const Object& a, const Object& b, ObjectKind kind)
{
    return a.name == b.name && sameContent(a, b, kind);
}

namespace {

std::uint64_t crcKey(const Object& object)
{
    return object.size << 32 ^ object.crc;
}

std::uint64_t sha1Key(const Object& object)
{
    return firstEightBytes(object.sha1);
}

std::uint64_t md5Key(const Object& object)
{
    return firstEightBytes(object.md5);
}

std::uint64_t nameKey(const Object& object)
{
    return std::hash<std::string_view>{}(object.name);
}

} // namespace

std::array<ContentIndex::Key, 2> ContentIndex::keysOf(const Object& object, std::size_t scope) const
{
    auto key = [&](bool present, List list, std::uint64_t value) {
        return present ? Key{list, scopedKey(value, scope)} : Key{};
    };
    if (isNodump(object, kind_) || kind_ == ObjectKind::Sample)
        return {key(true, List::Primary, nameKey(object)), Key{}};
    if (kind_ == ObjectKind::Rom)
        return {key(object.hasCrc, List::Primary, crcKey(object)),
                key(object.hasSha1, List::Secondary, sha1Key(object))};
    return {key(object.hasSha1, List::Primary, sha1Key(object)), key(object.hasMd5, List::Secondary, md5Key(object))};
}

void ContentIndex::add(const Object& object, std::size_t scope)
{
    for (const Key& key : keysOf(object, scope))
        if (key.list != List::None)
            (key.list == List::Primary ? byPrimary_ : bySecondary_).add(key.value, scope, object);
}

void ContentIndex::build()
{
    byPrimary_.build();
    bySecondary_.build();
}

void ContentIndex::clear()
{
    byPrimary_.clear();
    bySecondary_.clear();
}

void NameIndex::add(const Object& object, std::size_t scope)
{
    index_.add(scopedKey(nameKey(object), scope), scope, object);
}

bool NameIndex::holdsSame(const Object& object, std::size_t scope) const
{
    auto same = [&](const Object& candidate) {
        return candidate.name == object.name && sameContent(candidate, object, kind_);
    };
    return index_.find(scopedKey(nameKey(object), scope), scope, same) != nullptr;
}

void DistinctObjects::add(const Object* object)
{
    if (2 * (objects_.size() + 1) > slots_.size())
        grow();
    std::uint64_t hash = nameKey(*object);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
        std::size_t listed = slots_[slot] - 1;
        if (hashes_[listed] == hash && sameObject(*objects_[listed], *object, kind_))
            return;
    }
    objects_.push_back(object);
    hashes_.push_back(hash);
    place(objects_.size() - 1);
}

std::vector<const Object*> DistinctObjects::take()
{
    slots_.clear();
    hashes_.clear();
    return std::move(objects_);
}

// Doubles the table (at least 16 slots) and places every object again: kept at most half full.
void DistinctObjects::grow()
{
    slots_.assign(std::max<std::size_t>(16, 2 * slots_.size()), 0);
    for (std::size_t position = 0; position < objects_.size(); ++position)
        place(position);
}

void DistinctObjects::place(std::size_t position)
{
    std::size_t mask = slots_.size() - 1;
    std::size_t slot = hashes_[position] & mask;
    while (slots_[slot] != 0)
        slot = (slot + 1) & mask;
    slots_[slot] = static_cast<std::uint32_t>(position + 1);
}

} // namespace setdelta
