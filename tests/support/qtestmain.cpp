// main() for every Qt test program: widgets run offscreen, and the per-user folders point into
// a temporary folder so that no test reads or writes the real user's settings or state. Built
// twice: with QUILLON_TEST_WIDGETS for the programs that test windows, without it for those of
// the layers that must not need Qt Widgets.
#include <QTemporaryDir>

#ifdef QUILLON_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

namespace {

void isolateUserFolders(const QTemporaryDir& home)
{
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(variable, (home.path() + '/' + variable).toLocal8Bit());
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    isolateUserFolders(home);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
