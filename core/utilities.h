#pragma once

#include "outcome.h"

#include <QString>
#include <QStringList>

// Small path, quoting and file helpers shared by every window. Paths use "/" as separator.
namespace quillon {

// True for an existing path that is not a folder; any error gives false.
bool FileExists(const QString& path);
// keepFolder: the path without its last extension; otherwise the bare file name without it.
QString GetFileTitle(const QString& path, bool keepFolder);
// The folder part of a path; "/" for an entry of the root, "" for a bare name.
QString GetParentFolder(const QString& path);
// The text after the last "." of the file name, without the dot; "" when there is none.
QString GetExtension(const QString& path);
// Surrounds a non-empty text with double quotes, adding only those it lacks.
QString AddQuotes(const QString& text);
// Drops one leading and one trailing double quote.
QString RemoveQuotes(const QString& text);
// The folder of Quillon's own temporary files (PrivateFolderPath), ending in "/".
QString GetTempFolder();
// Creates a new, empty, uniquely named file "<prefix>XXXXXX.tmp" in the temporary folder and
// returns its path ("" when it cannot be created, or the folder is refused). The caller owns and deletes it. The name
// carries the tag of this instance's TempFileClaim, if it holds one, after the prefix.
QString GetTempFileName(const QString& prefix);
// Writes each source's bytes followed by CR LF into the destination, which is replaced only
// when the whole result has been written. A failure (a source missing, a write failing) says
// why; the destination is then left as it was.
Outcome JoinTextFiles(const QString& destination, const QStringList& sources);
// Copies the source over the destination, which is replaced only once the copy is complete.
// A failure (the source unreadable, the copy unwritable) says why; the destination is then left
// as it was.
Outcome CopyFileReplacing(const QString& source, const QString& destination);
// Deletes a file, read-only ones too; failures are ignored.
void DeleteFileQuiet(const QString& path);

}  // namespace quillon
