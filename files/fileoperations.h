#pragma once

#include "atomicfile.h"

#include <QString>

namespace quillon {

class Prompter;

// Title of the boxes shown by FileCopy.
inline constexpr char fileCopyTitle[] = "File Copy/Move";

// `folder` joined to `name` with exactly one "/" between them.
QString PathInFolder(const QString& folder, const QString& name);

// A file the user has marked read-only (no write permission for its owner, or none for us).
// Such a file is never deleted unless forced, as on the desktop the files came from.
bool IsReadOnly(const QString& path);

// Copies `source` to `destination`, replacing an existing file. The bytes go to a temporary
// file beside the destination that is renamed over it only when complete, so a failed or
// cancelled copy leaves the destination as it was. The copy keeps the source's modification
// time and is flushed to disk before it replaces anything. A failure says why, for the user.
Outcome CopyFileWithProgress(const QString& source, const QString& destination, const CopyProgress& progress = {});

// Deletes a file unless it is read-only. A failure says why, for the user.
Outcome RemoveFileUnforced(const QString& path);

// Whether the desktop's trash can take the file at `path`: its volume has a trash of the user's,
// or one can be made, or the file is on the volume of the home trash.
bool TrashCanTake(const QString& path);

// Moves a file into the desktop's trash unless it is read-only. A failure says why, for the user.
Outcome MoveToTrashUnforced(const QString& path);

// Copies (or with `bMove` moves) one file, asking before replacing an existing one and telling
// the user how it went, with the reason of a failure. A move deletes its source only once the
// copy is complete, as long as the source and on disk under its new name (its folder flushed);
// otherwise both files stay.
void FileCopy(Prompter& prompter, const QString& sSourceFile, const QString& sDestFile, bool bMove = false);

// Asks whether to delete `fileName` in `folder`, saying whether it goes to the trash or, where
// there is none, for good, and deletes it on Yes. No is the default. A failure is reported.
// True when the file was deleted.
bool DeleteFileAsked(Prompter& prompter, const QString& folder, const QString& fileName);

}  // namespace quillon
