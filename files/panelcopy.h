#pragma once

#include <QString>

class QWidget;

namespace quillon {

class Prompter;

// Files at or above this size are copied between the panels with a progress dialog.
inline constexpr qint64 largeFileBytes = 8 * 1024 * 1024;

// The copy of the left panel's Copy button: asks before replacing an existing file, shows a
// progress dialog owned by `owner` for large files and reports a failure. Nothing is said on
// success, and a refused or cancelled copy leaves the destination untouched.
void CopyFileAskingFirst(Prompter& prompter, QWidget* owner, const QString& source, const QString& destination);

}  // namespace quillon
