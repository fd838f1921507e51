#pragma once

#include <QStringList>

namespace quillon::testing {

// Records, while it lives, the calls by which a program publishes and removes files, in the
// order they were made: "rename <new name>", "fsync <folder>" (only a folder's flush, the step
// that makes a rename survive a crash) and "unlink <path>". A test program that links the
// recorder has these calls pass through it; they behave as always.
class SyscallRecording {
public:
    SyscallRecording();
    ~SyscallRecording();
    SyscallRecording(const SyscallRecording&) = delete;
    SyscallRecording& operator=(const SyscallRecording&) = delete;

    QStringList events() const;
};

}  // namespace quillon::testing
