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
            warnings.push_back("set '" + std::string(set.name) + "' is listed again; the later copy is ignored");
    }
    sets = std::move(unique);
}

std::string_view formatName(DatFormat format)
{
    switch (format) {
    case DatFormat::ClrMamePro: return "ClrMamePro text";
    case DatFormat::Logiqx: return "Logiqx XML";
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
