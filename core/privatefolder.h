#pragma once

#include "outcome.h"

#include <QString>

namespace quillon {

// The folder where Quillon keeps what is its own: the lock of a running instance, the list of
// files it is writing beside the user's, the single-instance socket and its temporary files.
// Only its user can enter it, so no other user can plant, read or remove anything there:
// $XDG_RUNTIME_DIR/quillon where the runtime folder exists, else $XDG_CACHE_HOME/Quillon/runtime
// (normally ~/.cache/Quillon/runtime). No "/" at the end.
QString PrivateFolderPath();

// Makes the folder (mode 0700) when it is missing and checks that it is a folder, not a link,
// that belongs to this user and that nobody else can enter. A folder that fails the check is
// refused with the reason and left as it is: it is not ours to change.
Outcome PreparePrivateFolder();

}  // namespace quillon
