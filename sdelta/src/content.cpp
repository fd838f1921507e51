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

std::uint64_t ContentIndex::crcKey(const Object& object)
{
    return object.size << 32 ^ object.crc;
}

std::uint64_t ContentIndex::sha1Key(const Object& object)
{
    return firstEightBytes(object.sha1);
}

std::uint64_t ContentIndex::md5Key(const Object& object)
{
    return firstEightBytes(object.md5);
}

std::uint64_t ContentIndex::nameKey(const Object& object)
{
    return std::hash<std::string_view>{}(object.name);
}

void ContentIndex::add(const Object& object)
{
    if (isNodump(object, kind_)) {
        byPrimary_.push_back({nameKey(object), &object});
        return;
    }
    switch (kind_) {
    case ObjectKind::Rom:
        if (object.hasCrc)
            byPrimary_.push_back({crcKey(object), &object});
        if (object.hasSha1)
            bySecondary_.push_back({sha1Key(object), &object});
        break;
    case ObjectKind::Disk:
        if (object.hasSha1)
            byPrimary_.push_back({sha1Key(object), &object});
        if (object.hasMd5)
            bySecondary_.push_back({md5Key(object), &object});
        break;
    case ObjectKind::Sample:
        byPrimary_.push_back({nameKey(object), &object});
        break;
    }
}

void ContentIndex::build()
{
    std::sort(byPrimary_.begin(), byPrimary_.end());
    std::sort(bySecondary_.begin(), bySecondary_.end());
}

bool ContentIndex::holdsIn(const std::vector<Entry>& entries, std::uint64_t key, const Object& object) const
{
    auto [first, last] = std::equal_range(entries.begin(), entries.end(), Entry{key, nullptr});
    return std::any_of(first, last, [&](const Entry& entry) { return sameContent(*entry.object, object, kind_); });
}

bool ContentIndex::holds(const Object& object) const
{
    if (isNodump(object, kind_) || kind_ == ObjectKind::Sample)
        return holdsIn(byPrimary_, nameKey(object), object);
    if (kind_ == ObjectKind::Rom)
        return (object.hasCrc && holdsIn(byPrimary_, crcKey(object), object)) ||
               (object.hasSha1 && holdsIn(bySecondary_, sha1Key(object), object));
    return (object.hasSha1 && holdsIn(byPrimary_, sha1Key(object), object)) ||
           (object.hasMd5 && holdsIn(bySecondary_, md5Key(object), object));
}

} // namespace setdelta
