#include "report_writer.h"

#include "dat_writer.h"
#include "version.h"

#include <algorithm>
#include <charconv>

namespace setdelta {
namespace {

std::string count(std::size_t number, std::string_view what)
{
    return std::to_string(number) + " " + std::string(what);
}

std::string headerWords(const Dat& dat)
{
    const DatHeader& header = dat.header;
    std::string words;
    if (!header.build.empty())
        words = "build " + header.build;
    if (!header.name.empty())
        words = "'" + header.name + "'";
    if (!header.version.empty())
        words += (words.empty() ? "version " : " version ") + header.version;
    return words.empty() ? "no header" : words;
}

// Appends "name (size 1024, crc 0123abcd)" for ROMs, the name alone for disks and samples.
void appendObjectWords(std::string& text, const Object& object, ObjectKind kind)
{
    text += object.name;
    if (kind != ObjectKind::Rom)
        return;
    char number[24];
    text += " (size ";
    text.append(number, std::to_chars(number, number + sizeof number, object.size).ptr);
    if (object.hasCrc) {
        text += ", crc ";
        appendCrc(text, object.crc);
    }
    text += ')';
}

// The report's lines. A change lists one line per object, so those are put together in one
// buffer kept from line to line, not in strings of their own.
class ReportText {
public:
    ReportText(OutputFile& output) : output_(output) {}

    void line(std::string_view text = {})
    {
        line_.assign(text);
        endLine();
    }

    // A set with its description; `movedWord` and `otherName`, when given, say where it moved.
    void setLine(const Set& set, std::string_view movedWord = {}, std::string_view otherName = {})
    {
        line_.assign("  ");
        line_ += set.name;
        if (!set.description.empty()) {
            line_ += "  \"";
            line_ += set.description;
            line_ += '"';
        }
        if (!movedWord.empty()) {
            line_ += "  (";
            line_ += movedWord;
            line_ += ' ';
            line_ += otherName;
            line_ += ')';
        }
        endLine();
    }

    void moveLine(const Move& move, const Set& from, const Set& to)
    {
        line_.assign("  ");
        line_ += from.name;
        line_ += " -> ";
        line_ += to.name;
        line_ += " (" + std::to_string(move.sharedContents) + " of " +
                 std::to_string(move.oldContents + move.newContents - move.sharedContents) + " contents shared)";
        endLine();
    }

    void objectLine(std::string_view label, const Object& object, ObjectKind kind)
    {
        line_.assign(label);
        appendObjectWords(line_, object, kind);
        endLine();
    }

    // A removed object, and where the new set still has its content when it does.
    void removedLine(const Object& object, const Object* contentKeptAs, ObjectKind kind)
    {
        line_.assign("    removed  ");
        appendObjectWords(line_, object, kind);
        if (contentKeptAs) {
            line_ += ", its content stays under ";
            line_ += contentKeptAs->name;
        }
        endLine();
    }

    void renameLine(const Rename& rename, ObjectKind kind)
    {
        line_.assign("    renamed  ");
        line_ += rename.from->name;
        line_ += " -> ";
        appendObjectWords(line_, *rename.to, kind);
        endLine();
    }

private:
    void endLine()
    {
        line_ += '\n';
        output_.write(line_);
    }

    OutputFile& output_;
    std::string line_;
};

void writeInputs(ReportText& report, const Options& options, const ResolvedDat& oldDat, const ResolvedDat& newDat)
{
    report.line("Old DAT: " + describeInput(*oldDat.dat, oldDat));
    report.line("New DAT: " + describeInput(*newDat.dat, newDat));
    report.line("Options: " + describeOptions(options));
    for (const ResolvedDat* side : {&oldDat, &newDat})
        for (const std::string& warning : side->dat->warnings)
            report.line("Warning: " + warning);
    report.line();
}

void countLine(ReportText& report, const std::string& label, const std::string& value)
{
    constexpr std::size_t labelWidth = 18;
    std::string text = "  " + label + ":";
    text.resize(std::max(text.size() + 1, labelWidth), ' ');
    report.line(text + value);
}

void writeCounts(ReportText& report, const RunSummary& summary, std::string_view objects)
{
    std::string what(objects);
    report.line("Summary");
    countLine(report, "new sets", count(summary.newSets, "(") + count(summary.newSetObjects, what) + ")");
    countLine(report, "removed sets", count(summary.removedSets, "(") + count(summary.removedSetObjects, what) + ")");
    countLine(report, "changed sets", std::to_string(summary.changedSets));
    countLine(report, "added " + what, std::to_string(summary.addedObjects));
    countLine(report, "removed " + what, std::to_string(summary.removedObjects));
    countLine(report, "renamed " + what, count(summary.renamedObjects, "in ") + count(summary.renamedSets, "sets"));
    countLine(report, "moved sets", std::to_string(summary.movedSets));
    countLine(report, "setdelta.dat", count(summary.writtenSets, "sets, ") + count(summary.writtenObjects, what));
    report.line();
}

// By set, the name of the set it moved to or from, empty where it did not move.
using MovedNames = std::vector<std::string_view>;

void writeSetList(ReportText& report, const std::string& title, const ResolvedDat& dat,
                  const std::vector<std::size_t>& sets, std::string_view movedWord, const MovedNames& moved)
{
    if (sets.empty())
        return;
    report.line(title + " (" + std::to_string(sets.size()) + ")");
    for (std::size_t set : sets)
        report.setLine(*dat.sets[set].set, moved[set].empty() ? std::string_view() : movedWord, moved[set]);
    report.line();
}

void writeObjectChanges(ReportText& report, const SetChange& change, ObjectKind kind)
{
    for (const Object* object : change.added)
        report.objectLine("    added    ", *object, kind);
    for (std::size_t i = 0; i < change.removed.size(); ++i)
        report.removedLine(*change.removed[i], change.removedContentKeptAs[i], kind);
    for (const Rename& rename : change.renamed)
        report.renameLine(rename, kind);
}

void writeChanges(ReportText& report, const ResolvedDat& newDat, const Comparison& comparison)
{
    if (comparison.changedSets.empty())
        return;
    ObjectKind kind = newDat.dat->kind;
    report.line("Changed sets (" + std::to_string(comparison.changedSets.size()) + ")");
    for (const SetChange& change : comparison.changedSets) {
        report.setLine(*newDat.sets[change.newSet].set);
        writeObjectChanges(report, change, kind);
    }
    report.line();
}

void writeMoves(ReportText& report, const ResolvedDat& oldDat, const ResolvedDat& newDat, const Comparison& comparison)
{
    if (comparison.movedSets.empty())
        return;
    report.line("Moved sets (" + std::to_string(comparison.movedSets.size()) + ")");
    for (const Move& move : comparison.movedSets) {
        report.moveLine(move, *oldDat.sets[move.change.oldSet].set, *newDat.sets[move.change.newSet].set);
        writeObjectChanges(report, move.change, newDat.dat->kind);
    }
    report.line();
}

} // namespace

RunSummary summarize(const ResolvedDat& oldDat, const ResolvedDat& newDat, const Comparison& comparison,
                     const std::vector<DeltaSet>& delta)
{
    RunSummary summary;
    summary.newSets = comparison.newSets.size();
    for (std::size_t set : comparison.newSets)
        summary.newSetObjects += newDat.sets[set].count;
    summary.removedSets = comparison.removedSets.size();
    for (std::size_t set : comparison.removedSets)
        summary.removedSetObjects += oldDat.sets[set].count;
    summary.changedSets = comparison.changedSets.size();
    for (const SetChange& change : comparison.changedSets) {
        summary.addedObjects += change.added.size();
        summary.removedObjects += change.removed.size();
        summary.renamedObjects += change.renamed.size();
        if (!change.renamed.empty())
            ++summary.renamedSets;
    }
    summary.movedSets = comparison.movedSets.size();
    summary.writtenSets = delta.size();
    for (const DeltaSet& set : delta)
        summary.writtenObjects += set.objects.size();
    return summary;
}

std::string describeInput(const Dat& dat, const ResolvedDat& resolved)
{
    return dat.source.label() + " (" + std::string(formatName(dat.format)) + ", " + headerWords(dat) + ", " +
           count(dat.sets.size(), "sets, ") + count(dat.objects.size(), kindName(dat.kind, true)) + "; " +
           count(resolved.sets.size(), "sets compared") + ")";
}

void writeReport(OutputFile& output, const Options& options, const ResolvedDat& oldDat, const ResolvedDat& newDat,
                 const Comparison& comparison, const RunSummary& summary)
{
    ReportText report(output);
    report.line("setdelta " + std::string(version) + " report");
    report.line();
    writeInputs(report, options, oldDat, newDat);
    writeCounts(report, summary, kindName(options.kind, true));
    MovedNames movedFrom(newDat.sets.size());
    MovedNames movedTo(oldDat.sets.size());
    for (const Move& move : comparison.movedSets) {
        movedFrom[move.change.newSet] = oldDat.sets[move.change.oldSet].set->name;
        movedTo[move.change.oldSet] = newDat.sets[move.change.newSet].set->name;
    }
    writeSetList(report, "New sets", newDat, comparison.newSets, "moved from", movedFrom);
    writeSetList(report, "Removed sets", oldDat, comparison.removedSets, "moved to", movedTo);
    writeMoves(report, oldDat, newDat, comparison);
    writeChanges(report, newDat, comparison);
}

void writeFailureReport(OutputFile& output, const Options& options, const std::string& error)
{
    ReportText report(output);
    report.line("setdelta " + std::string(version) + " report");
    report.line();
    report.line("Old DAT: " + oldSource(options).label());
    report.line("New DAT: " + newSource(options).label());
    report.line("Options: " + describeOptions(options));
    report.line();
    report.line("Failed: " + error);
    report.line("No setdelta.dat was written.");
}

} // namespace setdelta
