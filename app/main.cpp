#include "commandline.h"
#include "dialogprompter.h"
#include "frmmain.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "tempfileclaim.h"
#include "terminationwatcher.h"

#include <QApplication>

using namespace quillon;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillon");
    QApplication::setApplicationVersion(QUILLON_VERSION);
    // Watching from the start, so that no request to end finds the default action, which
    // would kill the program without closing its windows.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested,
                     &QApplication::closeAllWindows);

    SettingsStore store(SettingsStore::defaultPath());
    DialogPrompter prompter;
    store.setWriteFailureHandler([&prompter, &store](const QString& reason) {
        prompter.ask({.text = "Your settings cannot be saved in " + store.fileName() + ":\n" + reason
                              + "\n\nChanges you make now will be lost when Quillon closes.",
                      .icon = PromptIcon::Exclamation});
    });
    SingleInstance instance;
    if (!ClaimSingleInstance(instance, store, prompter))
        return 0;
    // Files left by an instance that was killed are of no use to anyone now.
    const TempFileClaim tempFiles;
    RemoveLeftoverTempFiles();
    const StartupOptions startup = WalkCommandLine(QApplication::arguments().mid(1), prompter);

    frmmain window(store, prompter, startup);
    prompter.setMainWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &frmmain::bringToFront);
    window.show();
    return QApplication::exec();
}
