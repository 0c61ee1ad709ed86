#include "HandleTable.h"
#include "PcmRing.h"

#include <gtest/gtest.h>

#include <set>

using sonaroaudio::HandleTable;
using sonaroaudio::PcmRing;

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

TEST(AudiolibPcmRing, WrapsAndNeverOverwrites)
{
    PcmRing ring(10); // rounds up to 16
    EXPECT_EQ(ring.capacity(), 16u);
    const uint8_t in[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    EXPECT_EQ(ring.write(in, 12), 12u);           // "1..12____"
    uint8_t out[20] = {};
    EXPECT_EQ(ring.read(out, 10), 10u);           // "__11,12__"
    EXPECT_EQ(out[9], 10);
    EXPECT_EQ(ring.write(in + 12, 8), 8u);        // wraps: 11..20
    EXPECT_EQ(ring.available(), 10u);
    EXPECT_EQ(ring.write(in, 20), 6u);            // only the free room is taken
    EXPECT_EQ(ring.space(), 0u);
    EXPECT_EQ(ring.read(out, 20), 16u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out[i], 11 + i);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[10 + i], 1 + i);
    EXPECT_EQ(ring.read(out, 1), 0u);
    ring.write(in, 3);
    ring.reset();
    EXPECT_EQ(ring.available(), 0u);
}
