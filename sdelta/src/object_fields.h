#pragma once

#include "dat.h"

#include <string_view>

namespace setdelta {

// The attributes of a rom, disk or sample that the readers keep. The text and the XML
// readers share this so a value means the same in every format.
enum class ObjectField : std::uint8_t {
    Name, Size, Crc, Sha1, Md5, Merge, Status, Flags, Optional, Dispose, SoundOnly, Ignored
};

ObjectField objectFieldFor(std::string_view key);

// Stores one field's text; false when the text is not a valid value for that field.
// An empty hash counts as no hash: some DATs write `crc ""` for an unknown one.
bool setObjectField(Object& object, ObjectField field, std::string_view value, StringArena& strings);

bool isYes(std::string_view value);

} // namespace setdelta
