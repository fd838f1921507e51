// Starts like the application does as far as the single-instance rule goes, printing every
// message box shown and the activation request on standard output for the test to read.
// Usage: instance_probe <settings file> <socket path>
#include "scriptedprompter.h"
#include "settingsstore.h"
#include "singleinstance.h"

#include <QCoreApplication>

#include <cstdio>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

namespace {

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    SettingsStore store(arguments.at(1));
    SingleInstance instance(arguments.at(2));
    quillon::testing::ScriptedPrompter prompter;
    const bool claimed = ClaimSingleInstance(instance, store, prompter);
    for (const PromptMessage& message : prompter.messages())
        say(u"message: %1|%2|%3"_s.arg(message.text, message.title).arg(int(message.icon)));
    if (!claimed) {
        say(u"ended"_s);
        return 0;
    }
    QObject::connect(&instance, &SingleInstance::activationRequested, [] {
        say(u"activated"_s);
        QCoreApplication::quit();
    });
    say(u"running"_s);
    return QCoreApplication::exec();
}
