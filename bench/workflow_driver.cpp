// Times one of Quillon's whole commands on big inputs, for bench/workflow.sh:
//   workflow_bench create DESTINATION PROGRAM [ARGUMENTS...]   DAT creation from a program's output
//   workflow_bench makediff APPLICATION_FOLDER OLD NEW DESTINATION   Make Diff, header cancelled
// Prints the seconds the command took. Messages the command would show go to standard error.
#include "datcapture.h"
#include "cmpheader.h"
#include "datdialogs.h"
#include "difftool.h"
#include "makediff.h"
#include "prompter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QElapsedTimer>

#include <cstdio>

using namespace quillon;
using namespace Qt::StringLiterals;

namespace {

class PrintingPrompter : public Prompter {
public:
    PromptAnswer ask(const PromptMessage& message) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(message.text));
        return message.defaultAnswer;
    }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    QString chooseFileToOpen(const FileRequest&) override { return {}; }
    SaveChoice chooseSaveTarget(const FileRequest&) override { return {}; }
};

// The user cancels the header editor; inputs are never zipped here.
class NoDialogs : public DatDialogs {
public:
    QString SelectDat(const QString&, const QString&, QString*) override { return {}; }
    // The bench's archives hold one DAT, named as the archive with ".xml" for ".zip".
    QString SelectDatEntry(const QString& zipFile, const QString&) override
    {
        return QFileInfo(zipFile).completeBaseName() + u".xml"_s;
    }
    QString GetCMPHeaderFile(const QString&) override { return {}; }
    std::optional<DatHeader> AskNewHeader() override { return std::nullopt; }
    bool EditDatHeader(DatHeader&) override { return false; }
};

bool create(const QStringList& arguments, Prompter& prompter)
{
    const Command command{.program = arguments.at(1), .arguments = arguments.mid(2)};
    return CreateDatFile(command, arguments.at(0), [](const QString&) {}, prompter).written;
}

bool makeDiff(const QStringList& arguments, Prompter& prompter)
{
    NoDialogs dialogs;
    const DiffTool tool(arguments.at(0));
    MakeDiff run(tool, dialogs, prompter, [](const QString&) {}, [](const QString&) {});
    return run.run({arguments.at(1), arguments.at(2), arguments.at(3), u"-s -d2 -z"_s, false}) == DiffOutcome::Created;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    const bool known = (command == "create"_L1 && rest.size() >= 2) || (command == "makediff"_L1 && rest.size() == 4);
    if (!known) {
        std::fprintf(stderr, "usage: workflow_bench create DESTINATION PROGRAM [ARGUMENTS...]\n"
                             "       workflow_bench makediff APPLICATION_FOLDER OLD NEW DESTINATION\n");
        return 1;
    }
    PrintingPrompter prompter;
    QElapsedTimer timer;
    timer.start();
    const bool done = command == "create"_L1 ? create(rest, prompter) : makeDiff(rest, prompter);
    std::printf("%.3f\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
    return done ? 0 : 2;
}
