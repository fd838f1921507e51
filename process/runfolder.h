#pragma once

#include "filedescriptor.h"
#include "outcome.h"

#include <QString>

#include <memory>

namespace quillon {

// Where the run folders of the diff tool are made: $XDG_CACHE_HOME/Quillon, or
// ~/.cache/Quillon when XDG_CACHE_HOME is unset.
QString RunFoldersRoot();

// The private working folder of one run of the diff tool: a new folder under RunFoldersRoot()
// where the tool leaves its outputs. While the object lives, this process holds a lock on the
// folder, so that another Quillon never takes it for a leftover; the folder and everything in
// it are removed with the object.
class RunFolder {
public:
    // A new, empty run folder, or the reason why none could be made.
    static Result<std::unique_ptr<RunFolder>> create();
    ~RunFolder();

    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const QString& path() const { return path_; }
    // The DAT of differences the tool writes.
    QString datFile() const { return path_ + QStringLiteral("/setdelta.dat"); }
    // The tool's own report.
    QString logFile() const { return path_ + QStringLiteral("/setdelta.log"); }
    // The tool's report for programs (JSON), which the results window reads.
    QString reportFile() const { return path_ + QStringLiteral("/setdelta.json"); }

private:
    RunFolder(QString path, FileDescriptor lock);

    QString path_;
    FileDescriptor lock_;  // released only after the folder went
};

// Removes the run folders that no running Quillon owns, left behind by one that was killed.
void RemoveLeftoverRunFolders();

}  // namespace quillon
