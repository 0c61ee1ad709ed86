#include "HandleTable.h"

#include <gtest/gtest.h>

#include <set>

using sonaroaudio::HandleTable;

TEST(AudiolibHandleTable, StaleHandlesNeverReachANewerObject)
{
    HandleTable<int> table;
    const AUDIO_HANDLE a = table.insert(std::make_shared<int>(1));
    ASSERT_NE(a, 0u);
    ASSERT_NE(table.get(a), nullptr);
    ASSERT_NE(table.remove(a), nullptr);
    EXPECT_EQ(table.get(a), nullptr);
    EXPECT_EQ(table.remove(a), nullptr);
    // The slot comes back with a new generation.
    const AUDIO_HANDLE b = table.insert(std::make_shared<int>(2));
    EXPECT_EQ(b & 0xFFFF, a & 0xFFFF);
    EXPECT_NE(b, a);
    EXPECT_EQ(table.get(a), nullptr);
    EXPECT_EQ(*table.get(b), 2);
    // Many reuses of one slot: no handle is ever 0 or repeated within a cycle.
    std::set<AUDIO_HANDLE> seen{a, b};
    AUDIO_HANDLE h = b;
    for (int i = 0; i < 70000; ++i) {
        table.remove(h);
        h = table.insert(std::make_shared<int>(i));
        ASSERT_NE(h, 0u);
        if (i < 65000) {
            EXPECT_TRUE(seen.insert(h).second);
        }
    }
    EXPECT_EQ(table.get(0), nullptr);
    EXPECT_EQ(table.get(0x00010000 | 0xFFFF), nullptr);
}
