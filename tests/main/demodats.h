#pragma once

#include "testfiles.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon::testing {

// The demo DATs that ship with the project: two versions of a made-up set list, the newer one
// also zipped.
inline const QString oldDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.0.dat");
inline const QString newDat = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.dat");
inline const QString newZip = QStringLiteral(DEMO_DIR "/quillon_demo_1.1.zip");

// What setdelta writes when run by hand in a folder of its own.
inline QByteArray setdeltaAlone(const QString& switches, const QString& source, const QString& compare)
{
    QTemporaryDir work;
    QProcess process;
    process.setWorkingDirectory(work.path());
    process.start(QStringLiteral(SETDELTA_PATH), switches.split(u' ', Qt::SkipEmptyParts) << source << compare);
    EXPECT_TRUE(process.waitForFinished(60000));
    return readAll(work.filePath(QStringLiteral("setdelta.dat")));
}

}  // namespace quillon::testing
