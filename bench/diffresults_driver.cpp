// Times the Diff results window on a report of MAME 0.139 against 0.251 size, beside reading the
// report's JSON alone: loading the results, opening the window, filtering by text and by status.
//   diffresults_bench [--sets N] [--runs N]
#include "diffresults.h"
#include "diffresultsmodel.h"
#include "frmdiffresults.h"
#include "silentprompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <malloc.h>

using namespace quillon;
using namespace Qt::StringLiterals;

namespace {

QJsonObject rom(const QString& name, int seed)
{
    return {{u"kind"_s, u"rom"_s},
            {u"name"_s, name},
            {u"size"_s, 0x1000 << (seed % 6)},
            {u"crc"_s, QString(u"%1"_s).arg(static_cast<uint>(seed) * 2654435761u, 8, 16, QChar(u'0'))},
            {u"sha1"_s, QString(u"%1"_s).arg(seed, 40, 16, QChar(u'0'))}};
}

QJsonArray roms(const QString& set, int count, int seed)
{
    QJsonArray list;
    for (int index = 0; index < count; ++index)
        list.append(rom(QString(u"%1.%2"_s).arg(set).arg(index), seed + index));
    return list;
}

// The mix of a MAME 0.139 to 0.251 comparison: most sets changed, many new, some removed.
QJsonObject set(int index)
{
    const QString name = QString(u"game%1"_s).arg(index, 5, 10, QChar(u'0'));
    QJsonObject described{{u"name"_s, name},
                          {u"description"_s, QString(u"Game number %1 (World, rev %2)"_s).arg(index).arg(index % 7)},
                          {u"parent"_s, index % 4 == 0 ? QJsonValue(QString(u"game%1"_s).arg(index - 1, 5, 10, QChar(u'0')))
                                                    : QJsonValue()}};
    const int kind = index % 20;
    if (kind < 7 || kind > 17) {
        described[u"status"_s] = kind < 7 ? u"new"_s : u"removed"_s;
        described[u"objects"_s] = roms(name, 6, index);
    } else {
        described[u"status"_s] = kind == 17 ? u"renamed"_s : u"changed"_s;
        described[u"added"_s] = kind == 17 ? QJsonArray() : roms(name + u"n"_s, 2, index);
        described[u"removed"_s] = kind == 17 ? QJsonArray() : roms(name + u"o"_s, 1, index + 7);
        described[u"renamed"_s] = QJsonArray{QJsonObject{{u"from"_s, rom(name + u".old"_s, index)}, {u"to"_s, rom(name + u".new"_s, index)}}};
    }
    return described;
}

QByteArray syntheticReport(int sets)
{
    QJsonArray list;
    for (int index = 0; index < sets; ++index)
        list.append(set(index));
    const QJsonObject input{{u"file"_s, u"/dats/mame.xml"_s}, {u"entry"_s, QJsonValue()}, {u"format"_s, u"listxml"_s},
                            {u"build"_s, u"0.251"_s}, {u"sets"_s, sets}, {u"objects"_s, sets * 8}};
    const QJsonObject report{
        {u"format"_s, u"setdelta-report"_s},
        {u"version"_s, 1},
        {u"setdelta_version"_s, u"1.4.0"_s},
        {u"old"_s, input},
        {u"new"_s, input},
        {u"options"_s, QJsonObject{{u"set_type"_s, u"split"_s}, {u"delta"_s, 2}, {u"objects"_s, u"rom"_s}, {u"renames"_s, true},
                                {u"nodump"_s, true}, {u"bios_in_sets"_s, false}}},
        {u"summary"_s, QJsonObject{{u"new_sets"_s, sets * 7 / 20}, {u"removed_sets"_s, sets * 2 / 20}, {u"changed_sets"_s, sets * 10 / 20},
                                {u"renamed_sets"_s, sets / 20}, {u"added_objects"_s, 0}, {u"removed_objects"_s, 0},
                                {u"renamed_objects"_s, 0}}},
        {u"sets"_s, list},
    };
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

// The best of the runs, in milliseconds; `prepare` runs untimed before each.
double best(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double fastest = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return fastest;
}

// Bytes of the heap in use, so that what the results hold is told apart from what the
// allocator keeps from the report's generation.
double heapMiB()
{
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd) / (1 << 20);
}

int option(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int sets = option(app.arguments(), u"--sets"_s, 33000);
    const int runs = option(app.arguments(), u"--runs"_s, 5);

    QTemporaryDir folder;
    const QString path = folder.filePath(u"report.json"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(syntheticReport(sets)) < 0 || !file.flush())
        return std::fprintf(stderr, "cannot write %s\n", qPrintable(path)), 1;
    file.close();
    std::printf("Report: %d sets, %.1f MiB of JSON, best of %d runs\n\n", sets,
                static_cast<double>(QFile(path).size()) / (1 << 20), runs);

    const auto nothing = [] {};
    const double jsonAlone = best(runs, nothing, [&] {
        QFile input(path);
        if (!input.open(QIODevice::ReadOnly) || QJsonDocument::fromJson(input.readAll()).isNull())
            std::abort();
    });

    auto results = std::make_shared<DiffResults>();
    const double before = heapMiB();
    const double load = best(runs, [&] { *results = DiffResults(); }, [&] {
        Result<DiffResults> loaded = LoadDiffResults(path, QString());
        if (!loaded)
            std::abort();
        *results = std::move(*loaded);
    });
    const double loaded = heapMiB();

    SilentPrompter prompter;
    std::unique_ptr<frmDiffResults> window;
    const auto openWindow = [&] {
        window = std::make_unique<frmDiffResults>(results, prompter, [](const QString&) { return true; });
        window->show();
        QApplication::processEvents();
    };
    const double open = best(runs, [&] { window.reset(); }, openWindow);

    auto* search = window->findChild<QLineEdit*>(u"txtSearch"_s);
    auto* changed = window->findChild<QToolButton*>(u"cmdShowChanged"_s);
    const auto repaint = [] { QApplication::processEvents(); };
    const double byText = best(runs, [&] { search->clear(); repaint(); }, [&] { search->setText(u"REV 1"_s); repaint(); });
    const int textRows = window->shownSets().rowCount();
    search->clear();
    const double byStatus = best(runs, [&] { changed->setChecked(true); repaint(); }, [&] { changed->setChecked(false); repaint(); });
    const int statusRows = window->shownSets().rowCount();
    changed->setChecked(true);
    auto* table = window->findChild<QTableView*>(u"tblSets"_s);
    const double sorting = best(runs, [&] { table->sortByColumn(-1, Qt::AscendingOrder); repaint(); },
                                [&] { table->sortByColumn(DiffSetsModel::Description, Qt::DescendingOrder); repaint(); });
    const double byTextSorted = best(runs, [&] { search->clear(); repaint(); }, [&] { search->setText(u"REV 1"_s); repaint(); });

    std::printf("%-44s %10s %8s\n", "Step", "ms", "x JSON");
    const auto row = [&](const char* step, double ms) { std::printf("%-44s %10.1f %8.2f\n", step, ms, ms / jsonAlone); };
    row("Reading the JSON alone (QJsonDocument)", jsonAlone);
    row("Loading the results (LoadDiffResults)", load);
    row("Opening the window (model, filter, shown)", open);
    row("Filtering by text", byText);
    row("Filtering by status", byStatus);
    row("Sorting by description", sorting);
    row("Filtering by text, sorted by description", byTextSorted);
    std::printf("\nRows shown: %d after the text filter, %d after the status filter\n", textRows, statusRows);
    std::printf("Heap held by the loaded results: %.1f MiB\n", loaded - before);
    return 0;
}
