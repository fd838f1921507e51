#pragma once

#include "filedescriptor.h"
#include "outcome.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace quillon {

// Told how far a copy has got; returning false cancels it.
using CopyProgress = std::function<bool(qint64 copiedBytes, qint64 totalBytes)>;

// A file that is written whole or not at all. The bytes go to a new file beside the target,
// every write is checked, and commit() flushes them to disk (fsync) before renaming the new file
// over the target, so that neither a full disk nor a crash can leave the target cut short. Until
// commit() succeeds the target stays as it was; an AtomicFile dropped without a commit removes
// its new file. A target that is a symbolic link is written through: the file it points to is
// replaced and the link stays. A replaced file keeps its permissions. A target that is no
// regular file (a device, a pipe) is written in place, as a shell redirection would.
//
// Writes go straight to the system, unbuffered, so a failure is seen by the write that caused
// it, and every failure says why in the system's words, after the path it concerns.
class AtomicFile {
public:
    explicit AtomicFile(const QString& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the new file beside the target.
    Outcome open();
    Outcome write(QByteArrayView bytes);
    // Appends the whole of `source`, which must be a regular file, in large chunks, telling
    // `progress` after each one.
    Outcome append(const QString& source, const CopyProgress& progress = {});
    // Sets the modification time the target will have, in seconds since the epoch.
    Outcome setModificationTime(qint64 secondsSinceEpoch);
    // Whether commit() flushes the new file to disk when no target exists yet: a crash can then
    // leave a short new file, but never cost the user an older one.
    enum class Flush { Always, OnlyWhenReplacing };
    // Flushes the new file to disk, renames it over the target and flushes the target's folder,
    // so that the new name survives a crash too. A folder that cannot be flushed fails the
    // commit with the reason, though the target then already holds the new content.
    Outcome commit(Flush flush = Flush::Always);
    // Drops what was written; the target stays as it was.
    void discard();

    // The open file, for writers that move bytes into it with system calls of their own (splice)
    // and read back what they wrote (a new file beside the target is opened for reading too);
    // -1 when it is not open.
    int descriptor() const { return fd_.get(); }

    // The file that commit() replaces: the target, or the file its link points to.
    const QString& finalPath() const { return finalPath_; }

private:
    Outcome failure(const QString& path, int error) const;

    QString finalPath_;
    QString newPath_;
    FileDescriptor fd_;
};

// The reason the system gives for an error number ("No space left on device").
QString SystemReason(int error);

// The file a path names once symbolic links are followed; the path itself when it is no link.
QString ResolveLinks(const QString& path);
// A new, unused name in the folder of `finalPath`, hidden, for a file that is to replace it.
QString NameBeside(const QString& finalPath);
// Whether a file name is one NameBeside makes.
bool IsNameBeside(const QString& fileName);
// Flushes the finished file `written` to disk, renames it over `finalPath` and flushes the
// folder, for writers that produce the file themselves. On failure before the rename `written`
// is removed and `finalPath` left alone.
Outcome FlushAndRename(const QString& written, const QString& finalPath);

}  // namespace quillon
