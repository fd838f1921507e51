#include "object_fields.h"

#include <array>
#include <charconv>

namespace setdelta {
namespace {

// Hashes are parsed for every ROM of a DAT; a table keeps that to one load per digit.
constexpr std::array<std::int8_t, 256> hexDigits = [] {
    std::array<std::int8_t, 256> digits{};
    digits.fill(-1);
    for (std::size_t i = 0; i < 10; ++i)
        digits['0' + i] = static_cast<std::int8_t>(i);
    for (std::size_t i = 0; i < 6; ++i) {
        digits['a' + i] = static_cast<std::int8_t>(10 + i);
        digits['A' + i] = static_cast<std::int8_t>(10 + i);
    }
    return digits;
}();

int hexDigit(char c)
{
    return hexDigits[static_cast<unsigned char>(c)];
}

template <std::size_t N>
bool parseDigest(std::string_view text, std::array<std::uint8_t, N>& digest)
{
    if (text.size() != 2 * N)
        return false;
    for (std::size_t i = 0; i < N; ++i) {
        int high = hexDigit(text[2 * i]);
        int low = hexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        digest[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

bool parseCrc(std::string_view text, std::uint32_t& crc)
{
    if (text.size() > 8)
        return false;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = hexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    crc = value;
    return true;
}

bool parseSize(std::string_view text, std::uint64_t& size)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size, base);
    return error == std::errc{} && end == text.data() + text.size();
}

bool setStatus(Object& object, std::string_view value)
{
    if (value == "nodump")
        object.status = DumpStatus::NoDump;
    else if (value == "baddump")
        object.status = DumpStatus::BadDump;
    else if (value == "verified")
        object.status = DumpStatus::Verified;
    else if (value == "good")
        object.status = DumpStatus::Good;
    else
        return false;
    return true;
}

// `flags` in the text format carries either a dump status or one of the object flags.
void setFlag(Object& object, std::string_view value)
{
    if (value == "dispose")
        object.flags |= FlagDispose;
    else if (value == "soundonly")
        object.flags |= FlagSoundOnly;
    else if (value == "optional")
        object.flags |= FlagOptional;
    else
        setStatus(object, value);
}

void setFlagIf(Object& object, ObjectFlag flag, std::string_view value)
{
    if (isYes(value))
        object.flags |= flag;
}

} // namespace

bool isYes(std::string_view value)
{
    return value == "yes";
}

// Called for every attribute of every ROM in a listxml file, hence the switch on length.
ObjectField objectFieldFor(std::string_view key)
{
    switch (key.size()) {
    case 3:
        if (key == "crc")
            return ObjectField::Crc;
        if (key == "md5")
            return ObjectField::Md5;
        break;
    case 4:
        if (key == "name")
            return ObjectField::Name;
        if (key == "size")
            return ObjectField::Size;
        if (key == "sha1")
            return ObjectField::Sha1;
        break;
    case 5:
        if (key == "merge")
            return ObjectField::Merge;
        if (key == "flags")
            return ObjectField::Flags;
        break;
    case 6:
        if (key == "status")
            return ObjectField::Status;
        break;
    case 7:
        if (key == "dispose")
            return ObjectField::Dispose;
        break;
    case 8:
        if (key == "optional")
            return ObjectField::Optional;
        break;
    case 9:
        if (key == "soundonly")
            return ObjectField::SoundOnly;
        break;
    default:
        break;
    }
    return ObjectField::Ignored;
}

bool setObjectField(Object& object, ObjectField field, std::string_view value, StringArena& strings)
{
    switch (field) {
    case ObjectField::Name:
        object.name = strings.store(value);
        return true;
    case ObjectField::Merge:
        object.merge = strings.store(value);
        return true;
    case ObjectField::Size:
        object.hasSize = !value.empty();
        return value.empty() || parseSize(value, object.size);
    case ObjectField::Crc:
        object.hasCrc = !value.empty();
        return value.empty() || parseCrc(value, object.crc);
    case ObjectField::Sha1:
        object.hasSha1 = !value.empty();
        return value.empty() || parseDigest(value, object.sha1);
    case ObjectField::Md5:
        object.hasMd5 = !value.empty();
        return value.empty() || parseDigest(value, object.md5);
    case ObjectField::Status:
        // Unknown status words are not an error: later DAT versions added some.
        setStatus(object, value);
        return true;
    case ObjectField::Flags:
        setFlag(object, value);
        return true;
    case ObjectField::Optional:
        setFlagIf(object, FlagOptional, value);
        return true;
    case ObjectField::Dispose:
        setFlagIf(object, FlagDispose, value);
        return true;
    case ObjectField::SoundOnly:
        setFlagIf(object, FlagSoundOnly, value);
        return true;
    case ObjectField::Ignored:
        return true;
    }
    return true;
}

} // namespace setdelta
