#pragma once

#include "filedescriptor.h"

#include <QString>

namespace quillon {

// This running instance's claim on the temporary files it makes. While the claim lives it holds
// a lock on "quillon-<tag>.lock" in Quillon's private folder (see PrivateFolderPath), and GetTempFileName puts the tag into
// every name it makes ("dat<tag>XXXXXX.tmp"). The system drops the lock when the process ends,
// however it ends, so a later start can tell the files of an instance that was killed from
// those of one that still runs. Without a claim (tests, tools) names carry no tag.
class TempFileClaim {
public:
    TempFileClaim();
    ~TempFileClaim();
    TempFileClaim(const TempFileClaim&) = delete;
    TempFileClaim& operator=(const TempFileClaim&) = delete;

    // The tag of the claim this process holds; "" when it holds none.
    static QString currentTag();

private:
    QString lockPath_;
    FileDescriptor lock_;
};

// A file written beside a user's file until it takes that file's place (see AtomicFile). While
// this process holds a claim, such files are listed in "quillon-<tag>.pending" in the private
// folder, so that a start after a kill can remove what the killed instance left half written.
// A file is noted before it is made, and forgotten once it took its place or went.
void NotePendingFile(const QString& path);
void ForgetPendingFile(const QString& path);

// Removes the temporary files ("dat<tag>XXXXXX.tmp", "cmh<tag>XXXXXX.tmp"), the files listed as
// pending (each with the "<name>.XXXXXX" files made from its name) and the lock file of every instance whose lock nobody holds any more, all from the
// private folder of this user. Files of running instances, other users' files and every name
// Quillon does not make are left alone; so is everything when the private folder is refused. Returns how
// many files went.
int RemoveLeftoverTempFiles();

}  // namespace quillon
