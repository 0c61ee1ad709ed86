#include "WindowPlacement.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, StoredValuesAreKeptNegativeOnesCentre)
{
    EXPECT_EQ(WindowPlacement::coordinate(0, 1024, 900), 0);
    EXPECT_EQ(WindowPlacement::coordinate(5000, 1024, 900), 5000); // off screen, still used
    EXPECT_EQ(WindowPlacement::coordinate(-1, 1024, 900), 62);
    EXPECT_EQ(WindowPlacement::coordinate(-5, 1024, 900), 62);
    // Halves go to the even neighbour: 512 - 450.5 = 61.5 -> 62; 512 - 451.5 = 60.5 -> 60.
    EXPECT_EQ(WindowPlacement::coordinate(-1, 1024, 901), 62);
    EXPECT_EQ(WindowPlacement::coordinate(-1, 1024, 903), 60);
    // A window larger than the screen goes above/left of it.
    EXPECT_EQ(WindowPlacement::coordinate(-1, 600, 621), -10); // -10.5 -> -10
}
