#pragma once

#include <QString>

// The demo DATs that ship with the project: two versions of a made-up set list, the newer one
// also zipped.
namespace quillon::testing {

inline const QString oldDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.0.dat");
inline const QString newDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.dat");
inline const QString newZip = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.zip");

}  // namespace quillon::testing
