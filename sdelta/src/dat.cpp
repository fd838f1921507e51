#include "dat.h"

namespace setdelta {

std::ptrdiff_t Dat::find(std::string_view name) const
{
    auto found = index_.find(name);
    return found == index_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

void Dat::finish()
{
    index_.clear();
    index_.reserve(sets.size());
    std::vector<Set> unique;
    unique.reserve(sets.size());
    for (const Set& set : sets) {
        if (index_.emplace(set.name, unique.size()).second)
            unique.push_back(set);
        else
            warn(WarningKind::RepeatedSet, source.label() + ": set '" + std::string(set.name) + "' is listed again; the later copy is ignored");
    }
    sets = std::move(unique);
    for (WarningKind each : {WarningKind::RepeatedSet, WarningKind::QuotedLineBreak, WarningKind::KeyWithoutValue})
        if (std::uint64_t count = warningCounts_[static_cast<std::size_t>(each)]; count > warningsShownPerKind)
            warnings.push_back(source.label() + ": " + std::to_string(count - warningsShownPerKind) +
                               " more warnings like the " + std::string(warningKindName(each)) +
                               " above are not shown");
}

std::string_view Dat::warningKindName(WarningKind kind)
{
    switch (kind) {
    case WarningKind::RepeatedSet: return "repeated sets";
    case WarningKind::QuotedLineBreak: return "quoted line breaks";
    case WarningKind::KeyWithoutValue: return "keys without a value";
    }
    return {};
}

void Dat::warn(WarningKind about, std::string message)
{
    if (warningCounts_[static_cast<std::size_t>(about)]++ < warningsShownPerKind)
        warnings.push_back(std::move(message));
}

std::string_view formatName(DatFormat format)
{
    switch (format) {
    case DatFormat::ClrMamePro: return "ClrMamePro text";
    case DatFormat::XmlDatafile: return "XML datafile";
    case DatFormat::MameListXml: return "MAME listxml";
    }
    return {};
}

std::string_view kindName(ObjectKind kind, bool plural)
{
    switch (kind) {
    case ObjectKind::Rom: return plural ? "ROMs" : "ROM";
    case ObjectKind::Disk: return plural ? "disks" : "disk";
    case ObjectKind::Sample: return plural ? "samples" : "sample";
    }
    return {};
}

} // namespace setdelta
