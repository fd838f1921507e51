#pragma once

#include "outcome.h"

#include <QByteArrayView>
#include <QString>

namespace quillon {

// A new file beside a destination that receives a program's output and takes the destination's
// place only when `commit` is called after every write succeeded. Until then, and whenever it
// is given up, the destination stays as it was; the file is removed unless committed.
class CaptureFile {
public:
    // A destination that is a symbolic link has the file it points to replaced; the link stays.
    explicit CaptureFile(const QString& destination);
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    Outcome open();
    // Writes all of `bytes`; a full disk or a file size limit is a failure with its reason.
    Outcome write(QByteArrayView bytes);
    // Closes the file and renames it over the destination. A destination that exists is
    // replaced only after the new content has reached the disk (fsync), so that a crash cannot
    // leave an empty file where a good DAT was.
    Outcome commit();

private:
    QString target_;
    QString path_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace quillon
