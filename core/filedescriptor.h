#pragma once

#include "file_descriptor.h"
#include "outcome.h"

#include <QString>

namespace quillon {

using setdelta::FileDescriptor;

// Whether a file may be of any owner or must be this user's own.
enum class FileOwner { Anyone, ThisUser };

// Opens an existing file for reading or writing (`flags` as for open()) without waiting on a
// pipe or a device, and keeps it only when it is a regular file, checked on the descriptor.
// FileOwner::ThisUser also refuses a link in the last part of the path and a file of another
// user, for the files Quillon reads back from its own folder. A failure says why, after the path.
Result<FileDescriptor> OpenRegularFile(const QString& path, int flags, FileOwner owner = FileOwner::Anyone);

}  // namespace quillon
