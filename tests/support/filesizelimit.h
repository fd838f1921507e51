#pragma once

#include "outcome.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace quillon::testing {

// What became of work run in a child process.
struct ChildOutcome {
    bool finished = false;  // the child exited on its own (no crash, no signal)
    bool ok = false;        // the work reported success
    QString reason;         // the reason it gave for a failure
};

// Runs `work` in a child process whose files may not grow beyond `limitBytes` (RLIMIT_FSIZE),
// with SIGXFSZ ignored: a write past the limit then fails with EFBIG, as on a disk that is
// full, instead of killing the process. Programs the work starts inherit the limit.
ChildOutcome RunUnderFileSizeLimit(qint64 limitBytes, const std::function<Outcome()>& work);

// Runs `work` in a child process that holds a claim on its temporary files (TempFileClaim)
// under the file size limit with the default SIGXFSZ action, as a program that does not ignore
// it: the write past the limit kills the child where it stands. True when that happened.
bool KilledByFileSizeLimit(qint64 limitBytes, const std::function<void()>& work);

}  // namespace quillon::testing
