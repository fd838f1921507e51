// Times the Diff results window on a report of MAME 0.139 against 0.251 size, beside reading the
// report's JSON alone: loading the results, opening the window, filtering by text and by status.
//   diffresults_bench [--sets N] [--runs N]
#include "diffresults.h"
#include "diffresultsmodel.h"
#include "frmdiffresults.h"
#include "prompter.h"

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

namespace {

// Answers nothing: the benchmark opens no dialog.
class SilentPrompter : public Prompter {
public:
    PromptAnswer ask(const PromptMessage&) override { return PromptAnswer::Ok; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    QString chooseFileToOpen(const FileRequest&) override { return {}; }
    SaveChoice chooseSaveTarget(const FileRequest&) override { return {}; }
};

QJsonObject rom(const QString& name, int seed)
{
    return {{"kind", "rom"},
            {"name", name},
            {"size", 0x1000 << (seed % 6)},
            {"crc", QString("%1").arg(static_cast<uint>(seed) * 2654435761u, 8, 16, QChar('0'))},
            {"sha1", QString("%1").arg(seed, 40, 16, QChar('0'))}};
}

QJsonArray roms(const QString& set, int count, int seed)
{
    QJsonArray list;
    for (int index = 0; index < count; ++index)
        list.append(rom(QString("%1.%2").arg(set).arg(index), seed + index));
    return list;
}

// The mix of a MAME 0.139 to 0.251 comparison: most sets changed, many new, some removed.
QJsonObject set(int index)
{
    const QString name = QString("game%1").arg(index, 5, 10, QChar('0'));
    QJsonObject described{{"name", name},
                          {"description", QString("Game number %1 (World, rev %2)").arg(index).arg(index % 7)},
                          {"parent", index % 4 == 0 ? QJsonValue(QString("game%1").arg(index - 1, 5, 10, QChar('0')))
                                                    : QJsonValue()}};
    const int kind = index % 20;
    if (kind < 7 || kind > 17) {
        described["status"] = kind < 7 ? "new" : "removed";
        described["objects"] = roms(name, 6, index);
    } else {
        described["status"] = kind == 17 ? "renamed" : "changed";
        described["added"] = kind == 17 ? QJsonArray() : roms(name + "n", 2, index);
        described["removed"] = kind == 17 ? QJsonArray() : roms(name + "o", 1, index + 7);
        described["renamed"] = QJsonArray{QJsonObject{{"from", rom(name + ".old", index)}, {"to", rom(name + ".new", index)}}};
    }
    return described;
}

QByteArray syntheticReport(int sets)
{
    QJsonArray list;
    for (int index = 0; index < sets; ++index)
        list.append(set(index));
    const QJsonObject input{{"file", "/dats/mame.xml"}, {"entry", QJsonValue()}, {"format", "listxml"},
                            {"build", "0.251"}, {"sets", sets}, {"objects", sets * 8}};
    const QJsonObject report{
        {"format", "setdelta-report"},
        {"version", 1},
        {"setdelta_version", "1.4.0"},
        {"old", input},
        {"new", input},
        {"options", QJsonObject{{"set_type", "split"}, {"delta", 2}, {"objects", "rom"}, {"renames", true},
                                {"nodump", true}, {"bios_in_sets", false}}},
        {"summary", QJsonObject{{"new_sets", sets * 7 / 20}, {"removed_sets", sets * 2 / 20}, {"changed_sets", sets * 10 / 20},
                                {"renamed_sets", sets / 20}, {"added_objects", 0}, {"removed_objects", 0},
                                {"renamed_objects", 0}}},
        {"sets", list},
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
    const int sets = option(app.arguments(), "--sets", 33000);
    const int runs = option(app.arguments(), "--runs", 5);

    QTemporaryDir folder;
    const QString path = folder.filePath("report.json");
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
        if (!LoadDiffResults(path, "", *results))
            std::abort();
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

    auto* search = window->findChild<QLineEdit*>("txtSearch");
    auto* changed = window->findChild<QToolButton*>("cmdShowChanged");
    const auto repaint = [] { QApplication::processEvents(); };
    const double byText = best(runs, [&] { search->clear(); repaint(); }, [&] { search->setText("REV 1"); repaint(); });
    const int textRows = window->shownSets().rowCount();
    search->clear();
    const double byStatus = best(runs, [&] { changed->setChecked(true); repaint(); }, [&] { changed->setChecked(false); repaint(); });
    const int statusRows = window->shownSets().rowCount();
    changed->setChecked(true);
    auto* table = window->findChild<QTableView*>("tblSets");
    const double sorting = best(runs, [&] { table->sortByColumn(-1, Qt::AscendingOrder); repaint(); },
                                [&] { table->sortByColumn(DiffSetsModel::Description, Qt::DescendingOrder); repaint(); });
    const double byTextSorted = best(runs, [&] { search->clear(); repaint(); }, [&] { search->setText("REV 1"); repaint(); });

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
