// The one handle table: ids never 0 and never handed out twice, stale ids find nothing, the
// capacity holds, and reserved ids find nothing until filled.
#include "base/handletable.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Table = zem::HandleTable<int, 4>;  // at most 15 at once

namespace {

std::vector<int> Values(const Table& table)
{
    std::vector<int> values;
    for (const auto& object : table)
        values.push_back(*object);
    return values;
}

}  // namespace

TEST(HandleTable, IdsCountUpAndAreNeverHandedOutAgainSoStaleIdsFindNothing)
{
    Table table;
    std::vector<uint32_t> seen;
    for (int round = 0; round < 40; ++round) {
        const uint32_t id = table.Add(std::make_shared<int>(round));
        ASSERT_NE(id, 0u);
        for (uint32_t old : seen)
            ASSERT_NE(id, old);
        EXPECT_EQ(*table.Find(id), round);
        EXPECT_EQ(*table.Remove(id), round);
        EXPECT_EQ(table.Find(id), nullptr) << "stale";
        EXPECT_EQ(table.Remove(id), nullptr);
        seen.push_back(id);
    }
    EXPECT_EQ(table.Find(0), nullptr);
    EXPECT_TRUE(table.empty());
}

TEST(HandleTable, CapacityCountsLiveAndReservedIds)
{
    Table small(2);
    const uint32_t a = small.Add(std::make_shared<int>(1));
    const uint32_t reserved = small.Reserve();
    EXPECT_EQ(small.Add(std::make_shared<int>(3)), 0u) << "full";
    small.Remove(a);
    EXPECT_NE(small.Add(std::make_shared<int>(3)), 0u);
    EXPECT_EQ(small.Reserve(), 0u);
    small.Remove(reserved);
    EXPECT_NE(small.Reserve(), 0u);
    Table clamped(100);
    for (uint32_t i = 0; i < Table::kMaxSlots; ++i)
        ASSERT_NE(clamped.Add(std::make_shared<int>(0)), 0u);
    EXPECT_EQ(clamped.Add(std::make_shared<int>(0)), 0u) << "never more than kMaxSlots";
}

TEST(HandleTable, AReservedIdFindsNothingUntilPutAndOnlyItCanBePut)
{
    Table table;
    const uint32_t first = table.Add(std::make_shared<int>(1));
    const uint32_t reserved = table.Reserve();
    const uint32_t third = table.Add(std::make_shared<int>(3));
    EXPECT_EQ(table.Find(reserved), nullptr);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_FALSE(table.Put(first, std::make_shared<int>(9))) << "taken";
    EXPECT_FALSE(table.Put(third + 1, std::make_shared<int>(9))) << "never handed out";
    ASSERT_TRUE(table.Put(reserved, std::make_shared<int>(2)));
    EXPECT_FALSE(table.Put(reserved, std::make_shared<int>(9))) << "filled once";
    EXPECT_EQ(Values(table), (std::vector<int>{1, 2, 3})) << "id order";

    std::vector<uint32_t> ids;
    table.ForEach([&](uint32_t id, const std::shared_ptr<int>&) { ids.push_back(id); });
    EXPECT_EQ(ids, (std::vector<uint32_t>{first, reserved, third}));
    EXPECT_EQ(table.RemoveAll().size(), 3u);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.Find(first), nullptr);
    EXPECT_GT(table.Add(std::make_shared<int>(4)), third) << "ids go on counting after RemoveAll";
}

// Objects made and deleted for ever (a window repainting for weeks) go round a small id range:
// every Add succeeds, live ids are never handed out again, and a deleted id finds nothing
// until the round has come back to it.
TEST(HandleTable, IdsGoRoundTheirRangeSkippingLiveOnes)
{
    constexpr uint32_t kRange = 8;
    Table table(Table::kMaxSlots, kRange);
    const uint32_t kept = table.Add(std::make_shared<int>(-1));
    uint32_t previous = 0;
    for (int round = 0; round < 100; ++round) {
        const uint32_t id = table.Add(std::make_shared<int>(round));
        ASSERT_NE(id, 0u) << "round " << round;
        ASSERT_LE(id, kRange);
        ASSERT_NE(id, kept);
        EXPECT_NE(id, previous) << "a just-deleted id comes back only after the others";
        EXPECT_EQ(table.Find(previous), nullptr) << "stale";
        EXPECT_EQ(*table.Remove(id), round);
        previous = id;
    }
    EXPECT_EQ(*table.Find(kept), -1);
    for (uint32_t i = 1; i < kRange; ++i)
        ASSERT_NE(table.Add(std::make_shared<int>(0)), 0u);
    EXPECT_EQ(table.Add(std::make_shared<int>(0)), 0u) << "every id of the range live";
}
