#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// Which entries of a zip archive are DATs: one rule for setdelta, which reads archives in place,
// and for Quillon, whose zip window and command line choose the entry it reads. Plain C++.
namespace setdelta {

// Whether an entry's name marks it as a DAT: it ends in ".dat" or ".xml", in any case.
bool isDatEntryName(std::string_view name);

// Of the file entries of an archive (folders left out), the positions of those that may be the
// DAT: the ones named as DATs, or all of them where none is.
std::vector<std::size_t> datEntryCandidates(const std::vector<std::string_view>& fileNames);

// The position of the entry taken without asking: the only candidate, or nothing when there is
// none or there are several to choose from.
std::optional<std::size_t> loneDatEntry(const std::vector<std::string_view>& fileNames);

} // namespace setdelta
