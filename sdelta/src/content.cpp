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

// Spreads the scope over the key, so that the same content in many sets does not pile up
// under one key.
std::uint64_t scoped(std::uint64_t key, std::size_t scope)
{
    return key ^ (static_cast<std::uint64_t>(scope) + 1) * 0x9E3779B97F4A7C15ULL;
}

} // namespace

std::array<ContentIndex::Key, 2> ContentIndex::keysOf(const Object& object, std::size_t scope) const
{
    auto key = [&](bool present, List list, std::uint64_t value) {
        return present ? Key{list, scoped(value, scope)} : Key{};
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
            (key.list == List::Primary ? byPrimary_ : bySecondary_).push_back({key.value, scope, &object});
}

// Stable, so that among objects of the same content the one listed first is found first.
void ContentIndex::build()
{
    std::stable_sort(byPrimary_.begin(), byPrimary_.end());
    std::stable_sort(bySecondary_.begin(), bySecondary_.end());
}

void ContentIndex::clear()
{
    byPrimary_.clear();
    bySecondary_.clear();
}

void DistinctObjects::add(const Object* object)
{
    auto [first, last] = byName_.equal_range(object->name);
    for (auto listed = first; listed != last; ++listed)
        if (sameContent(*listed->second, *object, kind_))
            return;
    byName_.emplace(object->name, object);
    objects_.push_back(object);
}

} // namespace setdelta
