#include "makediffcommand.h"

#include "atomicfile.h"
#include "cmpheader.h"
#include "datdialogs.h"
#include "filedescriptor.h"
#include "makediff.h"
#include "prompter.h"
#include "settingsstore.h"
#include "switches.h"
#include "utilities.h"
#include "xmlheader.h"
#include "ziparchive.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <optional>

#include <sys/stat.h>

namespace quillon {

namespace {

const QString makeDiffSwitch = QStringLiteral("--make-diff");

struct MakeDiffArguments {
    QString oldPath;
    QString newPath;
    QString destination;
    std::optional<QString> switches;  // nothing: those of the settings store
    QString headerFrom;
    bool zip = false;
    QString oldEntry;
    QString newEntry;
    QString jsonReport;  // where to keep setdelta's JSON report; empty: nowhere
};

// The failure of a console command: what to print and the exit status.
struct CommandError {
    QString message;
    int status;
};

// There is nobody to answer questions, and the window's messages are not for a command line:
// the command says what happened in words of its own, from the run's outcome and reason.
class ConsolePrompter : public Prompter {
public:
    PromptAnswer ask(const PromptMessage& message) override { return message.defaultAnswer; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    QString chooseFileToOpen(const FileRequest&) override { return {}; }
    SaveChoice chooseSaveTarget(const FileRequest&) override { return {}; }
};

// The zip chooser and header editor of the command line: the entries and the header were
// settled from its arguments before the run.
class ConsoleDatDialogs : public DatDialogs {
public:
    ConsoleDatDialogs(std::deque<QString> entries, std::optional<DatHeader> header)
        : entries_(std::move(entries)), header_(std::move(header))
    {
    }

    // Called for the zipped inputs in order, OLD first.
    QString SelectDatEntry(const QString&, const QString&) override
    {
        if (entries_.empty())
            return {};
        const QString entry = entries_.front();
        entries_.pop_front();
        return entry;
    }
    // Make Diff has setdelta read archives in place; nothing is taken out.
    QString SelectDat(const QString&, const QString&, QString*) override { return {}; }

    std::optional<DatHeader> AskNewHeader() override { return header_; }
    // Make Diff never edits a DAT's own header; the command line has nothing to ask.
    QString GetCMPHeaderFile(const QString&) override { return {}; }

    // Make Diff never edits a DAT's own header; the command line has nothing to ask.
    bool EditDatHeader(DatHeader&) override { return false; }

private:
    std::deque<QString> entries_;
    std::optional<DatHeader> header_;
};

bool isZip(const QString& path)
{
    return GetExtension(path).toLower() == QLatin1String("zip");
}

// The entry of `archive` to compare: the one named, or the one setdelta would take by itself.
std::optional<QString> chooseEntry(const QString& archive, const QString& named, const char* option,
                                   std::optional<CommandError>& error)
{
    const Result<QList<ZipEntry>> entries = ListZip(archive);
    if (!entries) {
        error = CommandError{archive + QStringLiteral(" cannot be read as a zip archive: ") + entries.reason(), exitFailed};
        return std::nullopt;
    }
    for (const ZipEntry& entry : *entries)
        if (!named.isEmpty() && !entry.isFolder && entry.name == named)
            return named;
    if (const std::optional<ZipEntry> lone = LoneDatEntry(*entries); named.isEmpty() && lone)
        return lone->name;
    QStringList datEntries;
    for (const ZipEntry& entry : DatEntryCandidates(*entries))
        datEntries.append(entry.name);
    const QString problem = !named.isEmpty() ? QStringLiteral("%1 has no entry %2.").arg(archive, named)
        : datEntries.isEmpty()               ? QStringLiteral("%1 holds no DAT entry.").arg(archive)
                                             : QStringLiteral("%1 holds several DAT entries.").arg(archive);
    error = CommandError{QStringLiteral("%1 Name the one to compare with %2; its DAT entries: %3")
                             .arg(problem, QLatin1String(option),
                                  datEntries.isEmpty() ? QStringLiteral("(none)") : datEntries.join(u", ")),
                         exitUsage};
    return std::nullopt;
}

// The entries to take out of the zipped inputs, in the order Make Diff asks for them.
std::deque<QString> chooseEntries(const MakeDiffArguments& arguments, std::optional<CommandError>& error)
{
    std::deque<QString> chosen;
    const struct {
        const QString& path;
        const QString& entry;
        const char* option;
    } inputs[] = {{arguments.oldPath, arguments.oldEntry, "--old-entry"},
                  {arguments.newPath, arguments.newEntry, "--new-entry"}};
    for (const auto& input : inputs) {
        if (!isZip(input.path)) {
            if (!input.entry.isEmpty())
                error = CommandError{QStringLiteral("%1 is given, but %2 is not a zip archive.")
                                         .arg(QLatin1String(input.option), input.path),
                                     exitUsage};
            continue;
        }
        if (const std::optional<QString> entry = chooseEntry(input.path, input.entry, input.option, error))
            chosen.push_back(*entry);
        if (error)
            break;
    }
    return chosen;
}

// The values of an XML DAT's <header> element, as the header editor shows them.
std::optional<DatHeader> headerFromXml(const QString& file, std::optional<CommandError>& error)
{
    const Result<XmlHeaderLayout> scanned = ScanXmlHeader(file);
    if (!scanned) {
        error = CommandError{file + QStringLiteral(": ") + scanned.reason(), exitFailed};
        return std::nullopt;
    }
    if (!scanned->hasHeader) {
        error = CommandError{file + QStringLiteral(" has no header element (<header>)."), exitUsage};
        return std::nullopt;
    }
    return XmlHeaderValues(*scanned);
}

std::optional<DatHeader> headerFrom(const SettingsStore& store, const QString& file,
                                    std::optional<CommandError>& error)
{
    if (file.isEmpty())
        return std::nullopt;
    // A pipe or a device would keep the command waiting: only a regular file is read.
    if (const Result<FileDescriptor> opened = OpenRegularFile(file, O_RDONLY); !opened) {
        error = CommandError{opened.reason(), exitFailed};
        return std::nullopt;
    }
    if (QFileInfo(file).isFile() && LooksLikeXml(file))
        return headerFromXml(file, error);
    std::optional<DatHeader> header = QFileInfo(file).isFile() ? ReadDatHeader(store, file) : std::nullopt;
    if (!header)
        error = CommandError{file + QStringLiteral(" has no header block (\"clrmamepro (\")."), exitUsage};
    return header;
}

QString absolute(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Where a path leads once links are followed, for files that may not exist yet.
std::filesystem::path fileNamed(const QString& path)
{
    std::error_code ignored;
    return std::filesystem::weakly_canonical(QFile::encodeName(ResolveLinks(absolute(path))).toStdString(), ignored);
}

// The same file, whatever the spelling, symbolic or hard links; for files yet to be written,
// the same place.
bool namesSameFile(const QString& first, const QString& second)
{
    struct stat firstStatus {};
    struct stat secondStatus {};
    if (::stat(QFile::encodeName(first).constData(), &firstStatus) == 0
        && ::stat(QFile::encodeName(second).constData(), &secondStatus) == 0)
        return firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
    const std::filesystem::path firstFile = fileNamed(first);
    return !firstFile.empty() && firstFile == fileNamed(second);
}

// The report is written over whatever --json names: never over a file the run reads or writes.
std::optional<CommandError> checkReportPath(const MakeDiffArguments& arguments)
{
    if (arguments.jsonReport.isEmpty())
        return std::nullopt;
    const QString destination = DiffDestination(absolute(arguments.destination));
    const QString archive = GetFileTitle(destination, true) + QStringLiteral(".zip");
    for (const QString& other : {arguments.oldPath, arguments.newPath, arguments.headerFrom, destination, archive}) {
        if (!other.isEmpty() && namesSameFile(arguments.jsonReport, other))
            return CommandError{QStringLiteral("--json %1 names the same file as %2; the report needs a file of its own.")
                                    .arg(arguments.jsonReport, other),
                                exitUsage};
    }
    return std::nullopt;
}

int runMakeDiff(const MakeDiffArguments& arguments, SettingsStore& store, QTextStream& out, QTextStream& err,
                const RunStop* stop)
{
    std::optional<CommandError> error = checkReportPath(arguments);
    std::optional<DatHeader> header = error ? std::nullopt : headerFrom(store, arguments.headerFrom, error);
    std::deque<QString> entries = error ? std::deque<QString>() : chooseEntries(arguments, error);
    if (error) {
        err << "quillon: " << error->message << Qt::endl;
        return error->status;
    }
    const DiffRequest request{.sourcePath = absolute(arguments.oldPath),
                              .comparePath = absolute(arguments.newPath),
                              .destination = DiffDestination(absolute(arguments.destination)),
                              .switches = arguments.switches.value_or(BuildDiffSwitches(store)),
                              .zipResult = arguments.zip,
                              .reportCopy = arguments.jsonReport};
    ConsolePrompter prompter;
    ConsoleDatDialogs dialogs(std::move(entries), std::move(header));
    const DiffTool tool = DiffTool::besideApplication();
    MakeDiff makeDiff(tool, dialogs, prompter, [&err](const QString& text) { err << text << Qt::flush; },
                      [](const QString&) {}, stop);
    switch (makeDiff.run(request)) {
    case DiffOutcome::Created:
        break;
    case DiffOutcome::Cancelled:
        return exitFailed;
    case DiffOutcome::Refused:
    case DiffOutcome::Unusable:
        err << "quillon: " << makeDiff.failureReason() << Qt::endl;
        return exitUsage;
    case DiffOutcome::Aborted:
    case DiffOutcome::Failed:
        err << "quillon: " << makeDiff.failureReason() << Qt::endl;
        return exitFailed;
    }
    out << DiffTarget(request) << Qt::endl;
    return exitCreated;
}

// The arguments of --make-diff (the program name first), or nothing with the reason in `error`.
std::optional<MakeDiffArguments> parseMakeDiffArguments(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption makeDiff(QStringLiteral("make-diff"));
    const QCommandLineOption switches(QStringLiteral("switches"), {}, QStringLiteral("SWITCHES"));
    const QCommandLineOption header(QStringLiteral("header-from"), {}, QStringLiteral("FILE"));
    const QCommandLineOption zip(QStringLiteral("zip"));
    const QCommandLineOption oldEntry(QStringLiteral("old-entry"), {}, QStringLiteral("NAME"));
    const QCommandLineOption newEntry(QStringLiteral("new-entry"), {}, QStringLiteral("NAME"));
    const QCommandLineOption json(QStringLiteral("json"), {}, QStringLiteral("FILE"));
    parser.addOptions({makeDiff, switches, header, zip, oldEntry, newEntry, json});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 3) {
        error = QStringLiteral("--make-diff needs OLD, NEW and DEST.");
        return std::nullopt;
    }
    MakeDiffArguments parsed{.oldPath = files.at(0),
                             .newPath = files.at(1),
                             .destination = files.at(2),
                             .headerFrom = parser.value(header),
                             .zip = parser.isSet(zip),
                             .oldEntry = parser.value(oldEntry),
                             .newEntry = parser.value(newEntry),
                             .jsonReport = parser.value(json).isEmpty() ? QString() : absolute(parser.value(json))};
    if (parser.isSet(switches)) {
        const Outcome checked = CheckDiffSwitches(parser.value(switches));
        if (!checked) {
            error = QStringLiteral("--switches: ") + checked.reason();
            return std::nullopt;
        }
        parsed.switches = parser.value(switches);
    }
    return parsed;
}

}  // namespace

bool IsConsoleCommand(const QStringList& arguments)
{
    return !arguments.isEmpty()
        && (arguments.first() == makeDiffSwitch || arguments.first() == QLatin1String("--help")
            || arguments.first() == QLatin1String("--version"));
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: quillon [-a] [-d] [-f FILE]\n"
        "       quillon --make-diff OLD NEW DEST [--switches \"SWITCHES\"] [--header-from FILE]\n"
        "                           [--zip] [--old-entry NAME] [--new-entry NAME] [--json FILE]\n"
        "       quillon --help | --version\n"
        "\n"
        "Without --make-diff, Quillon opens its window.\n"
        "  -a, /a          show the menu designer (advanced mode)\n"
        "  -d, /d          accepted for compatibility and ignored\n"
        "  -f, /f FILE     accepted for compatibility and ignored (FILE is not opened)\n"
        "\n"
        "--make-diff compares the DATs OLD and NEW with setdelta and writes the DAT of their\n"
        "differences to DEST (\".dat\" is appended unless DEST ends in it), as Make Diff does in\n"
        "the window. It needs no display.\n"
        "  --switches \"SWITCHES\"  setdelta's switches, e.g. \"-m -d1 -r\"; without it, those of\n"
        "                         the settings (the window's caption shows them)\n"
        "  --header-from FILE     put the header block of FILE (a DAT or a header file; for an\n"
        "                         XML DAT, the values of its <header>) in front\n"
        "  --zip                  store the result in DEST's .zip archive instead\n"
        "  --old-entry NAME       the DAT entry to compare when OLD is a zip archive with several\n"
        "  --new-entry NAME       the same for NEW\n"
        "  --json FILE            also write setdelta's report of every difference, as JSON\n"
        "                         (its schema: sdelta/README.md)\n"
        "Exit status: 0 created, 1 usage error, 2 failed, 128 + N stopped by signal N. On\n"
        "success the path of the file written is the only line on standard output; setdelta's\n"
        "output and every message go to standard error.\n");
}

QString VersionText()
{
    return QStringLiteral("quillon " QUILLON_VERSION "\n");
}

int RunConsoleCommand(const QStringList& arguments, SettingsStore& store, QTextStream& out, QTextStream& err,
                      const RunStop* stop)
{
    if (arguments.value(1) == QLatin1String("--version")) {
        out << VersionText() << Qt::flush;
        return exitCreated;
    }
    if (arguments.value(1) != makeDiffSwitch) {
        out << HelpText() << Qt::flush;
        return exitCreated;
    }
    QString error;
    const std::optional<MakeDiffArguments> parsed = parseMakeDiffArguments(arguments, error);
    if (!parsed) {
        err << "quillon: " << error << " (see quillon --help)" << Qt::endl;
        return exitUsage;
    }
    return runMakeDiff(*parsed, store, out, err, stop);
}

}  // namespace quillon
