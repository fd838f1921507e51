// Starts like the application does as far as the single-instance rule goes, printing every
// message box and the activation request on standard output for the test to read.
// Usage: instance_probe <settings file> <socket path>
#include "prompter.h"
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

class PrintingPrompter : public Prompter {
public:
    PromptAnswer ask(const PromptMessage& message) override
    {
        say(u"message: %1|%2|%3"_s.arg(message.text, message.title).arg(int(message.icon)));
        return PromptAnswer::Ok;
    }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    QString chooseFileToOpen(const FileRequest&) override { return {}; }
    SaveChoice chooseSaveTarget(const FileRequest&) override { return {}; }
};

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    SettingsStore store(arguments.at(1));
    SingleInstance instance(arguments.at(2));
    PrintingPrompter prompter;
    if (!ClaimSingleInstance(instance, store, prompter)) {
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
