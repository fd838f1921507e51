// The growing array behind a DAT's objects: what it holds survives growing from a page to many
// huge pages (remapped, perhaps moved) and being moved itself.
#include "large_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace setdelta::test {
namespace {

TEST(GrowingArray, KeepsItsValuesAsItGrowsAndMoves)
{
    constexpr std::uint64_t count = 3'000'000; // 24 MB, past several doublings
    GrowingArray<std::uint64_t> values;
    for (std::uint64_t i = 0; i < count; ++i)
        values.push_back(i * 7);
    const std::uint64_t more[] = {1, 2, 3};
    values.append(std::begin(more), std::end(more));

    GrowingArray<std::uint64_t> moved(std::move(values));
    EXPECT_TRUE(values.empty());
    ASSERT_EQ(moved.size(), count + 3);
    for (std::uint64_t i = 0; i < count; ++i)
        ASSERT_EQ(moved[i], i * 7) << i;
    EXPECT_EQ(moved.at(count + 2), 3u);
    EXPECT_THROW(static_cast<void>(moved.at(count + 3)), std::out_of_range);

    values = std::move(moved);
    EXPECT_EQ(values.size(), count + 3);
    EXPECT_EQ(values[count - 1], (count - 1) * 7);
}

} // namespace
} // namespace setdelta::test
