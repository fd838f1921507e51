#include "commandline.h"
#include "dialogprompter.h"
#include "frmmain.h"
#include "makediffcommand.h"
#include "runfolder.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "terminationwatcher.h"

#include <QApplication>
#include <QTextStream>

using namespace quillon;

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName("Quillon");
    QCoreApplication::setApplicationVersion(QUILLON_VERSION);
}

// `quillon --make-diff ...` and `quillon --help`: no window, so no display is needed, and no
// part in the single instance, so scripts run beside an open window.
int runConsoleCommand(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    nameApplication();
    RemoveLeftoverRunFolders();
    SettingsStore store(SettingsStore::defaultPath());
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunConsoleCommand(QCoreApplication::arguments(), store, out, err);
}

QStringList argumentsAfterProgram(int argc, char* argv[])
{
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    return arguments;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (IsConsoleCommand(argumentsAfterProgram(argc, argv)))
        return runConsoleCommand(argc, argv);

    QApplication application(argc, argv);
    nameApplication();
    // Watching from the start, so that no request to end finds the default action, which
    // would kill the program without closing its windows.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested,
                     &QApplication::closeAllWindows);

    SettingsStore store(SettingsStore::defaultPath());
    DialogPrompter prompter;
    SingleInstance instance;
    if (!ClaimSingleInstance(instance, store, prompter))
        return 0;
    RemoveLeftoverRunFolders();
    const StartupOptions startup = WalkCommandLine(QApplication::arguments().mid(1), prompter);

    frmmain window(store, prompter, startup);
    prompter.setMainWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &frmmain::bringToFront);
    window.show();
    return QApplication::exec();
}
