#include "commandline.h"
#include "dialogprompter.h"
#include "frmmain.h"
#include "makediffcommand.h"
#include "privatefolder.h"
#include "processrunner.h"
#include "renamesetscommand.h"
#include "runfolder.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "tempfileclaim.h"
#include "terminationwatcher.h"

#include <QApplication>
#include <QTextStream>

#include <csignal>
#include <cstring>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(u"Quillon"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
}

// Run folders and temporary files left by an instance that was killed are of no use to anyone
// now; those of running instances stay.
void removeLeftovers()
{
    RemoveLeftoverRunFolders();
    RemoveLeftoverTempFiles();
}

// `quillon --make-diff ...`, `--rename-sets ...`, `--undo ...`, `--help` and `--version`: no
// window, so no display is needed, and no part in the single instance, so scripts run beside an
// open window.
int runConsoleCommand(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    nameApplication();
    // SIGTERM, SIGINT and SIGHUP stop the run as the window's Cancel does: setdelta is ended and
    // the run folder removed; the exit status then says which signal it was, as a shell expects.
    TerminationWatcher termination;
    RunStop stop;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &stop, &RunStop::request);
    if (const Outcome ownFolder = PreparePrivateFolder(); !ownFolder)
        QTextStream(stderr) << u"quillon: "_s << ownFolder.reason() << Qt::endl;
    const TempFileClaim tempFiles;
    removeLeftovers();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (IsRenameSetsCommand(arguments.mid(1)))
        return RunRenameSetsCommand(arguments, out, err);
    SettingsStore store(SettingsStore::defaultPath());
    const int status = RunConsoleCommand(arguments, store, out, err, &stop);
    if (arguments.value(1) == u"--help"_s)
        out << RenameSetsHelpText() << Qt::flush;
    if (const int signalNumber = TerminationWatcher::receivedSignal(); signalNumber != 0) {
        err << "quillon: stopped by " << ::strsignal(signalNumber) << Qt::endl;
        return 128 + signalNumber;
    }
    return status;
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
    // A write beyond the file size limit then fails with its reason, and the writer reports it
    // and removes its unfinished file, instead of the signal killing Quillon half way.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const QStringList arguments = argumentsAfterProgram(argc, argv);
        IsConsoleCommand(arguments) || IsRenameSetsCommand(arguments))
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
    store.setWriteFailureHandler([&prompter, &store](const QString& reason) {
        prompter.ask({.text = u"Your settings cannot be saved in "_s + store.fileName() + u":\n"_s + reason
                              + u"\n\nChanges you make now will be lost when Quillon closes."_s,
                      .icon = PromptIcon::Exclamation});
    });
    if (const Outcome ownFolder = PreparePrivateFolder(); !ownFolder)
        prompter.ask({.text = ownFolder.reason() + u"\n\nUntil that is mended, Quillon cannot tell whether it runs already, "
                                                   u"and opening zipped DATs and header files fails."_s,
                      .icon = PromptIcon::Exclamation});
    SingleInstance instance;
    if (!ClaimSingleInstance(instance, store, prompter))
        return 0;
    const TempFileClaim tempFiles;
    removeLeftovers();
    const StartupOptions startup = WalkCommandLine(QApplication::arguments().mid(1), prompter);

    frmmain window(store, prompter, startup);
    prompter.setMainWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &frmmain::bringToFront);
    window.show();
    return QApplication::exec();
}
