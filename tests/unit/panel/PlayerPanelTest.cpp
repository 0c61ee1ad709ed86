#include "FakePlayer.h"
#include "MainState.h"
#include "PanelButtons.h"
#include "PanelDisplay.h"
#include "PlayerPanel.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct RecordingDisplay final : PanelDisplay
{
    std::optional<QString> title, numbers;
    std::optional<int> down, played;
    std::optional<PanelButtons> buttons;
    std::optional<bool> navigation;

    void showTitle(const QString &c) override { title = c; }
    void showNumbers(const QString &c) override { numbers = c; }
    void setDownloadBar(int w) override { down = w; }
    void setPlayBar(int w) override { played = w; }
    void showButtons(const PanelButtons &b) override { buttons = b; }
    void enablePlaylistNavigation(bool on) override { navigation = on; }
    void clear() { *this = RecordingDisplay(); }
};

class PlayerPanelTest : public ::testing::Test
{
protected:
    PlayerPanelTest()
    {
        state.BarScale = 416;
        auto owned = std::make_unique<FakePlayer>();
        player = owned.get();
        panel.attach(std::move(owned));
    }

    // A 128 kb/s track of 3 min 25 s, opened and started.
    void startTrack()
    {
        player->Mode = plmReady;
        player->Length = 205'000;
        player->BitRate = 128;
        panel.StartTrackDisplay(QStringLiteral("Žluťoučký kůň"));
        player->Mode = plmPlaying;
        player->calls.clear();
        display.clear();
    }

    MainState state;
    RecordingDisplay display;
    PlayerPanel panel{state, display};
    FakePlayer *player = nullptr;
};

const QString Bitrate128 = "128 kb/s" + QString(8, u' ');

} // namespace

TEST_F(PlayerPanelTest, StartTrackDisplayFillsTheNumbersAndPlays)
{
    state.LedScrollPos = 9;
    player->Mode = plmReady;
    player->Length = 205'000;
    player->BitRate = 128;
    panel.StartTrackDisplay(QStringLiteral("Artist - Song Album"));
    EXPECT_EQ(state.LedText, "Artist - Song Album");
    EXPECT_EQ(state.LedScrollPos, 0);
    EXPECT_EQ(state.TotalTimeText, "03:25");
    EXPECT_EQ(state.BitrateText, Bitrate128);
    EXPECT_EQ(display.numbers, Bitrate128 + "00:00/03:25");
    EXPECT_EQ(player->calls, QStringList{"play"});
    // The values stay with the track even if the engine's view changes.
    player->BitRate = 320;
    player->Mode = plmPlaying;
    player->Pos = 61'500;
    panel.tick();
    EXPECT_EQ(display.numbers, Bitrate128 + "01:01/03:25");
}

TEST_F(PlayerPanelTest, PlayingPollDrawsBarsTimeAndPlayingButtons)
{
    startTrack();
    player->Length = 200'000;
    player->Pos = 100'000;
    player->Net = true;
    player->Downloaded = 1'000'000;
    player->Size = 4'000'000;
    panel.tick();
    EXPECT_EQ(display.played, 208);
    EXPECT_EQ(display.down, 104);
    EXPECT_EQ(display.numbers, Bitrate128 + "01:40/03:25");
    EXPECT_EQ(display.buttons, (PanelButtons{false, true, true, PanelButtons::CheckPlay, 1, 2, 4}));
    EXPECT_EQ(display.navigation, false);
    EXPECT_TRUE(player->calls.isEmpty()); // the poll only reads
}

TEST_F(PlayerPanelTest, PausedPollKeepsTheTimeAndShowsPausedButtons)
{
    startTrack();
    player->Mode = plmPaused;
    player->Pos = 100'000;
    panel.tick();
    EXPECT_EQ(display.numbers, std::nullopt);
    EXPECT_EQ(display.played, 100'000 * 416 / 205'000);
    EXPECT_EQ(display.buttons, (PanelButtons{true, false, false, PanelButtons::CheckPause, 0, 3, 4}));
}

TEST_F(PlayerPanelTest, StoppedPollResetsTimeAndPlayBar)
{
    startTrack();
    player->Mode = plmStopped;
    player->Pos = 150'000; // what the engine still reports does not matter
    panel.tick();
    EXPECT_EQ(display.numbers, Bitrate128 + "00:00/03:25");
    EXPECT_EQ(display.played, 0);
    EXPECT_EQ(display.buttons, (PanelButtons{true, false, false, PanelButtons::CheckStop, 0, 2, 5}));
}

TEST_F(PlayerPanelTest, StandbyAndReadyLeaveButtonsAndNumbersButBarsFollow)
{
    for (TPlayerMode mode : {plmStandby, plmReady}) {
        display.clear();
        player->Mode = mode;
        player->Length = 200'000;
        player->Pos = 50'000;
        player->Net = true;
        player->Downloaded = 2'000'000;
        player->Size = 4'000'000;
        panel.tick();
        EXPECT_EQ(display.buttons, std::nullopt);
        EXPECT_EQ(display.numbers, std::nullopt);
        EXPECT_EQ(display.played, 104);
        EXPECT_EQ(display.down, 208);
    }
}

TEST_F(PlayerPanelTest, DownloadBarOnlyForKnownSizeNetStreams)
{
    startTrack();
    player->Net = false;
    player->Downloaded = 1'000'000;
    player->Size = 4'000'000;
    panel.tick();
    EXPECT_EQ(display.down, std::nullopt);
    // Size 0 is never divided by; the bar is left as it was.
    player->Net = true;
    player->Size = 0;
    panel.tick();
    EXPECT_EQ(display.down, std::nullopt);
    // No length: the play bar is left alone too.
    player->Length = 0;
    player->Size = 4'000'000;
    display.clear();
    panel.tick();
    EXPECT_EQ(display.played, std::nullopt);
    EXPECT_EQ(display.down, 104);
    EXPECT_EQ(display.numbers, Bitrate128 + "00:00/03:25");
}

TEST_F(PlayerPanelTest, PlaylistNavigationFollowsTheFlagInEveryMode)
{
    for (TPlayerMode mode : {plmStandby, plmReady, plmStopped, plmPlaying, plmPaused}) {
        player->Mode = mode;
        state.PlayingFromPlaylist = true;
        panel.tick();
        EXPECT_EQ(display.navigation, true) << int(mode);
        state.PlayingFromPlaylist = false;
        panel.tick();
        EXPECT_EQ(display.navigation, false) << int(mode);
    }
}

TEST_F(PlayerPanelTest, SeekWorksWhilePlayingOrPausedAndShowsTheReadBackPosition)
{
    startTrack();
    player->Length = 240'000;
    panel.seekAt(100);
    EXPECT_EQ(player->calls, QStringList{"seek 57692"});
    EXPECT_EQ(display.numbers, Bitrate128 + "00:57/03:25");

    player->Mode = plmPaused;
    player->calls.clear();
    panel.seekAt(208);
    EXPECT_EQ(player->calls, QStringList{"seek 120000"});
    EXPECT_EQ(display.numbers, Bitrate128 + "02:00/03:25");

    // A target the engine refuses leaves the shown position where it is.
    player->Length = 1000;
    player->Pos = 500;
    panel.seekAt(900);
    EXPECT_EQ(display.numbers, Bitrate128 + "00:00/03:25");
}

TEST_F(PlayerPanelTest, SeekDoesNothingWhenNotPlayingOrPaused)
{
    startTrack();
    for (TPlayerMode mode : {plmStandby, plmReady, plmStopped}) {
        player->Mode = mode;
        panel.seekAt(100);
    }
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_EQ(display.numbers, std::nullopt);
}

TEST_F(PlayerPanelTest, CommandsAndVolumeGoToTheEngineUnchanged)
{
    panel.play();
    panel.pause();
    panel.stop();
    panel.setVolume(0);
    panel.setVolume(137);
    panel.setVolume(255);
    panel.setVolume(300); // out of range never reaches the engine as such
    EXPECT_EQ(player->calls,
              (QStringList{"play", "pause", "stop", "volume 0", "volume 137", "volume 255", "volume 255"}));
}

TEST(PlayerPanelWithoutEngine, EverythingIsInertButTheMarquee)
{
    MainState state;
    state.BarScale = 416;
    RecordingDisplay display;
    PlayerPanel panel(state, display);
    panel.tick();
    panel.play();
    panel.seekAt(10);
    panel.setVolume(10);
    panel.StartTrackDisplay(QStringLiteral("x"));
    EXPECT_FALSE(display.numbers || display.played || display.down || display.buttons || display.navigation);
    panel.ledStep();
    EXPECT_EQ(display.title, "      Klient      ");
}

TEST_F(PlayerPanelTest, MarqueeStepShowsTheFoldedTitle)
{
    startTrack(); // "Žluťoučký kůň", 13 characters
    panel.ledStep();
    EXPECT_EQ(display.title, "  zlutoucky kun  ");
    EXPECT_EQ(state.LedText, "zlutoucky kun");
}

TEST_F(PlayerPanelTest, AStreamWaitingForDataSaysSoAndItsTimeStandsStill)
{
    startTrack();
    player->Pos = 65'000;
    panel.tick();
    EXPECT_EQ(display.numbers, Bitrate128 + "01:05/03:25");
    panel.ledStep();
    ASSERT_TRUE(display.title.has_value());
    EXPECT_TRUE(display.title->contains("lutoucky")) << display.title->toStdString();

    // The connection broke and the sound ran dry: the status shows at once,
    // the time stays where the sound stopped even if the engine's clock moves.
    display.clear();
    player->Waiting = true;
    player->Reconnecting = true;
    player->Pos = 66'000;
    panel.tick();
    ASSERT_TRUE(display.title.has_value());
    EXPECT_TRUE(display.title->contains("Obnovuji")) << display.title->toStdString();
    EXPECT_FALSE(display.numbers.has_value());
    // The marquee steps the status, not the title.
    display.clear();
    panel.ledStep();
    EXPECT_TRUE(display.title->contains("spojeni")) << display.title->toStdString();
    // Slow, but connected: another text.
    player->Reconnecting = false;
    panel.tick();
    EXPECT_TRUE(display.title->contains("Na")) << display.title->toStdString();
    EXPECT_FALSE(display.title->contains("Obnovuji"));

    // Sound again: the track's title is back and the time runs.
    display.clear();
    player->Waiting = false;
    player->Pos = 67'000;
    panel.tick();
    ASSERT_TRUE(display.title.has_value());
    EXPECT_TRUE(display.title->contains("lutoucky")) << display.title->toStdString();
    EXPECT_EQ(display.numbers, Bitrate128 + "01:07/03:25");
}

TEST_F(PlayerPanelTest, AStreamStoppedAtAFaultKeepsItsPlace)
{
    startTrack();
    player->Pos = 100'000;
    player->Mode = plmStopped;
    player->StoppedAtFault = true;
    panel.tick();
    EXPECT_EQ(display.numbers, Bitrate128 + "01:40/03:25");
    EXPECT_EQ(display.played, 100'000 * 416 / 205'000);
    ASSERT_TRUE(display.buttons.has_value());
    // An ordinary stop still shows the start.
    player->StoppedAtFault = false;
    panel.tick();
    EXPECT_EQ(display.numbers, Bitrate128 + "00:00/03:25");
    EXPECT_EQ(display.played, 0);
}
