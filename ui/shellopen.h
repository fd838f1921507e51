#pragma once

#include <QString>

namespace quillon {

// Opens a document or web address with the desktop's associated program.
bool ShellOpen(const QString& target);
bool OpenWithAssociation(const QString& file);

}  // namespace quillon
