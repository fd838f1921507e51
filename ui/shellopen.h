#pragma once

#include "outcome.h"

#include <QString>

namespace quillon {

// Hand a document or web address to the desktop's associated program. A failure carries the
// desktop's own reason where it gives one (Qt only logs it as a warning).
Outcome ShellOpen(const QString& target);
Outcome OpenWithAssociation(const QString& file);

}  // namespace quillon
