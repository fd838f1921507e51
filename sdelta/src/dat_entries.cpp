#include "dat_entries.h"

#include <algorithm>
#include <cctype>

namespace setdelta {
namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() &&
           std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

} // namespace

bool isDatEntryName(std::string_view name)
{
    return endsWithIgnoringCase(name, ".dat") || endsWithIgnoringCase(name, ".xml");
}

std::vector<std::size_t> datEntryCandidates(const std::vector<std::string_view>& fileNames)
{
    std::vector<std::size_t> named;
    for (std::size_t i = 0; i < fileNames.size(); ++i)
        if (isDatEntryName(fileNames[i]))
            named.push_back(i);
    if (!named.empty())
        return named;
    std::vector<std::size_t> all(fileNames.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    return all;
}

std::optional<std::size_t> loneDatEntry(const std::vector<std::string_view>& fileNames)
{
    std::vector<std::size_t> candidates = datEntryCandidates(fileNames);
    if (candidates.size() != 1)
        return std::nullopt;
    return candidates.front();
}

} // namespace setdelta
