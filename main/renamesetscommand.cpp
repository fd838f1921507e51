#include "renamesetscommand.h"

#include "processrunner.h"
#include "setrenamer.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int exitDone = 0;
constexpr int exitUsage = 1;
constexpr int exitFailed = 2;

struct RenameArguments {
    QString report;
    QStringList folders;
    bool apply = false;
    bool undo = false;
    QString journal;
};

std::optional<RenameArguments> parseArguments(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption renameSets(u"rename-sets"_s);
    const QCommandLineOption apply(u"apply"_s);
    const QCommandLineOption undo(u"undo"_s, {}, u"JOURNAL"_s);
    parser.addOptions({renameSets, apply, undo});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(undo)) {
        if (parser.isSet(renameSets) || parser.isSet(apply) || !positional.isEmpty() || parser.value(undo).isEmpty()) {
            error = u"--undo takes a journal and nothing else."_s;
            return std::nullopt;
        }
        return RenameArguments{.undo = true, .journal = parser.value(undo)};
    }
    if (positional.size() < 2) {
        error = u"--rename-sets needs a report and at least one folder."_s;
        return std::nullopt;
    }
    return RenameArguments{.report = positional.first(), .folders = positional.mid(1), .apply = parser.isSet(apply)};
}

QString line(const PlannedRename& rename, const QString& what)
{
    return QStringList{EscapeField(rename.folder), EscapeField(rename.from), EscapeField(rename.to), EscapeField(what)}
        .join(u'\t');
}

int failed(QTextStream& err, const QString& message)
{
    err << "quillon: " << message << Qt::endl;
    return exitFailed;
}

int renameSets(const RenameArguments& arguments, QTextStream& out, QTextStream& err)
{
    SetMoves moves;
    if (Outcome read = LoadSetMoves(arguments.report, moves); !read)
        return failed(err, read.reason());
    for (const QString& ignored : std::as_const(moves.ignored))
        err << "quillon: " << arguments.report << " leaves out " << ignored << Qt::endl;
    RenamePlan plan;
    if (Outcome planned = PlanSetRenames(moves.moves, arguments.folders, plan); !planned)
        return failed(err, planned.reason());
    const qsizetype skipped = plan.renames.size() - plan.renameCount();
    if (!arguments.apply) {
        for (const PlannedRename& rename : std::as_const(plan.renames))
            out << line(rename, DescribePlanned(rename)) << '\n';
        out.flush();
        err << "quillon: " << plan.renameCount() << " to rename, " << skipped
            << " to skip; nothing was changed (--apply renames them)." << Qt::endl;
        return exitDone;
    }
    RenameRun run;
    const Outcome made = ApplyRenamePlan(plan, RenameJournalFolder(), run);
    for (qsizetype index = 0; index < plan.renames.size(); ++index)
        out << line(plan.renames.at(index), DescribeResult(run, index)) << '\n';
    out.flush();
    if (!made)
        err << "quillon: " << made.reason() << '\n';
    err << "quillon: " << run.renamed << " renamed of " << plan.renames.size() << '.';
    if (!run.journal.isEmpty())
        err << " To undo: quillon --undo " << run.journal;
    err << Qt::endl;
    return made ? exitDone : exitFailed;
}

int undo(const QString& journal, QTextStream& err)
{
    UndoRun run;
    const Outcome undone = UndoRenameJournal(QFileInfo(journal).absoluteFilePath(), run);
    for (const QString& problem : std::as_const(run.problems))
        err << "quillon: " << problem << Qt::endl;
    if (!undone)
        return failed(err, undone.reason());
    err << "quillon: " << run.restored << " renamed back";
    if (!run.problems.isEmpty())
        err << "; the rest stays in " << journal << " for a later --undo";
    err << '.' << Qt::endl;
    return run.problems.isEmpty() ? exitDone : exitFailed;
}

}  // namespace

bool IsRenameSetsCommand(const QStringList& arguments)
{
    return !arguments.isEmpty()
        && (arguments.first() == "--rename-sets"_L1 || arguments.first() == "--undo"_L1
            || arguments.first().startsWith("--undo="_L1));
}

QString RenameSetsHelpText()
{
    return u"\n"
           "Usage: quillon --rename-sets REPORT.json FOLDER... [--apply]\n"
           "       quillon --undo JOURNAL\n"
           "\n"
           "--rename-sets renames a collection's files after sets moved between two releases:\n"
           "for each move in setdelta's JSON report REPORT.json (--json), every entry of the\n"
           "FOLDERs named OLD or OLD.<ext> (a file, an archive, a CHD folder) becomes NEW or\n"
           "NEW.<ext>. Without --apply it only prints the plan. Nothing is ever overwritten: an\n"
           "existing target is skipped. Standard output gets one line per entry, tab-separated:\n"
           "folder, from, to, and what happens (or happened). Before the first rename a journal\n"
           "is written in $XDG_STATE_HOME/Quillon; --undo JOURNAL puts the entries back.\n"
           "Exit status: 0 done or planned, 1 usage error, 2 failed.\n"_s;
}

QString RenameJournalFolder()
{
    return XdgBaseFolder("XDG_STATE_HOME", ".local/state") + u"/Quillon"_s;
}

int RunRenameSetsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QString error;
    const std::optional<RenameArguments> parsed = parseArguments(arguments, error);
    if (!parsed) {
        err << "quillon: " << error << "\nTry 'quillon --help'." << Qt::endl;
        return exitUsage;
    }
    return parsed->undo ? undo(parsed->journal, err) : renameSets(*parsed, out, err);
}

}  // namespace quillon
