#include "PanelMath.h"
#include "PanelText.h"

#include <gtest/gtest.h>

using namespace PanelMath;
using namespace PanelText;

TEST(PanelText, TimeTextShowsMinutesWithinTheHourAndSeconds)
{
    EXPECT_EQ(timeText(0), "00:00");
    EXPECT_EQ(timeText(999), "00:00");
    EXPECT_EQ(timeText(205'000), "03:25");
    EXPECT_EQ(timeText(3'599'999), "59:59");
    // Hours are dropped: 65 min 3 s.
    EXPECT_EQ(timeText((65 * 60 + 3) * 1000), "05:03");
    EXPECT_EQ(timeText(3'600'000), "00:00");
    // Beyond a day, and the largest length the engine can report.
    EXPECT_EQ(timeText(86'400'000 + 61'000), "01:01");
    EXPECT_EQ(timeText(UINT32_MAX), "02:47"); // 1193 h 2 min 47.295 s
}

TEST(PanelText, BitrateTextIsSixteenCharactersUpToElevenDigits)
{
    EXPECT_EQ(bitrateText(128), "128 kb/s" + QString(8, u' '));
    EXPECT_EQ(bitrateText(0), "0 kb/s" + QString(10, u' '));
    EXPECT_EQ(bitrateText(1411).size(), 16);
    EXPECT_EQ(bitrateText(12345678901), "12345678901 kb/s");
    // Longer numbers get no padding rather than a negative one.
    EXPECT_EQ(bitrateText(123456789012), "123456789012 kb/s");
}

TEST(PanelText, NumberDisplayJustStarted)
{
    const QString shown = numbers(bitrateText(128), 0, timeText(205'000));
    EXPECT_EQ(shown, "128 kb/s        00:00/03:25");
    EXPECT_EQ(shown.size(), 27);
}

TEST(PanelMath, PlayBarTruncates)
{
    EXPECT_EQ(playBarWidth(100'000, 416, 200'000), 208);
    EXPECT_EQ(playBarWidth(0, 416, 200'000), 0);
    EXPECT_EQ(playBarWidth(200'000, 416, 200'000), 416);
    // 416 × 1 ÷ 3 = 138.67 truncates.
    EXPECT_EQ(playBarWidth(1, 416, 3), 138);
    // The product needs 64 bits.
    EXPECT_EQ(playBarWidth(4'000'000'000u, 416, 4'100'000'000u), 405);
    EXPECT_EQ(playBarWidth(5, 416, 0), std::nullopt);
    // A position reported past the end keeps the bar inside its frame.
    EXPECT_EQ(playBarWidth(300'000, 416, 200'000), 416);
}

TEST(PanelMath, DownloadBarRoundsHalvesToEven)
{
    EXPECT_EQ(downloadBarWidth(1'000'000, 416, 4'000'000), 104);
    EXPECT_EQ(downloadBarWidth(4'000'000, 416, 4'000'000), 416);
    // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 1.6 -> 2 (size 832 halves one pixel).
    EXPECT_EQ(downloadBarWidth(1, 416, 832), 0);
    EXPECT_EQ(downloadBarWidth(3, 416, 832), 2);
    EXPECT_EQ(downloadBarWidth(5, 416, 832), 2);
    EXPECT_EQ(downloadBarWidth(7, 416, 832), 4);
    // Near the 32-bit limits the product stays exact.
    EXPECT_EQ(downloadBarWidth(4'294'967'295u, 416, 4'294'967'295u), 416);
    EXPECT_EQ(downloadBarWidth(2'147'483'648u, 416, 4'294'967'295u), 208);
}

TEST(PanelMath, DownloadBarWithUnknownSizeOrOverrunIsSafe)
{
    EXPECT_EQ(downloadBarWidth(1000, 416, 0), std::nullopt);
    EXPECT_EQ(downloadBarWidth(0, 416, 0), std::nullopt);
    EXPECT_EQ(downloadBarWidth(8'000'000, 416, 4'000'000), 416);
}

TEST(PanelMath, SeekTargetTruncatesTowardZero)
{
    EXPECT_EQ(seekTarget(100, 240'000, 416), 57'692u);
    EXPECT_EQ(seekTarget(0, 240'000, 416), 0u);
    EXPECT_EQ(seekTarget(416, 240'000, 416), 240'000u);
    EXPECT_EQ(seekTarget(1, 415, 416), 0u);
    // x × length overflows 32 bits.
    EXPECT_EQ(seekTarget(400, 4'000'000'000u, 416), 3'846'153'846u);
    EXPECT_EQ(seekTarget(10, 1000, 0), std::nullopt);
    EXPECT_EQ(seekTarget(-1, 1000, 416), std::nullopt);
}
