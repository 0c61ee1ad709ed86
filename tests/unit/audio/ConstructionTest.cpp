// Construction against stand-in libraries: what the engine says and what it
// leaves when the audio library is missing, old, incomplete or has no device.
#include "OpenAndWait.h"
#include "TStreamPlayer.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Recorded
{
    QStringList errors;
    TStreamPlayer::Setup setup(const QString &folder)
    {
        TStreamPlayer::Setup s;
        s.LibraryFolder = folder;
        s.OutputDevice = 0;
        s.ShowError = [this](const QString &text) { errors << text; };
        s.ShowWarning = [this](const QString &caption, const QString &text) { errors << caption + ": " + text; };
        return s;
    }
};

QString fake(const char *variant)
{
    return QStringLiteral(SONARO_FAKE_AUDIO_ROOT "/") + QLatin1String(variant);
}

} // namespace

TEST(EngineConstruction, MissingLibraryLeavesEngineSilentlyNotReady)
{
    QTemporaryDir empty;
    Recorded r;
    TStreamPlayer player(nullptr, r.setup(empty.path()));
    EXPECT_TRUE(player.AudioLibVer().isEmpty());
    EXPECT_TRUE(r.errors.isEmpty());
    EXPECT_EQ(player.Mode(), plmStandby);
    EXPECT_EQ(player.Version(), "1.91");

    EXPECT_FALSE(OpenAndWait(player, "http://127.0.0.1/song.mp3"));
    EXPECT_EQ(r.errors, QStringList{"Player is not ready !"});

    // Nothing else reacts or reports.
    player.Play();
    player.Pause(true);
    player.Stop();
    player.SetPosition(0);
    EXPECT_EQ(player.Mode(), plmStandby);
    EXPECT_EQ(player.Position(), 0u);
    EXPECT_EQ(player.PlayLength(), 0u);
    EXPECT_EQ(player.DownloadedBytes(), 0u);
    EXPECT_EQ(player.FreeAddOns(0), 0);
    player.SetVolume(300);
    EXPECT_EQ(player.Volume(), 255u);
    EXPECT_EQ(r.errors.size(), 1);
}

TEST(EngineConstruction, WrongVersionsAreRefusedWithTheVersionMessage)
{
    for (const char *variant : {"oldversion", "norevision"}) {
        Recorded r;
        TStreamPlayer player(nullptr, r.setup(fake(variant)));
        EXPECT_TRUE(player.AudioLibVer().isEmpty()) << variant;
        EXPECT_EQ(r.errors, QStringList{"Audio library version is not 2.3.0.1 !"}) << variant;
    }
}

TEST(EngineConstruction, DeviceFailureNamesTheLibraryErrorCode)
{
    Recorded r;
    TStreamPlayer player(nullptr, r.setup(fake("nodevice")));
    EXPECT_TRUE(player.AudioLibVer().isEmpty());
    EXPECT_EQ(r.errors, QStringList{"Can't initialize device\r\n(error code: 6)"});
}

TEST(EngineConstruction, LibraryWithoutOneCallCountsAsMissing)
{
    Recorded r;
    TStreamPlayer player(nullptr, r.setup(fake("incomplete")));
    EXPECT_TRUE(player.AudioLibVer().isEmpty());
    EXPECT_TRUE(r.errors.isEmpty());
}

TEST(EngineConstruction, DualChannelNeedsTheBufferOfAReadyEngine)
{
    QTemporaryDir empty;
    Recorded r;
    TStreamPlayer player(nullptr, r.setup(empty.path()));
    EXPECT_TRUE(player.SingleChannel());
    player.SetSingleChannel(false);
    EXPECT_EQ(r.errors, QStringList{"Cannot support dual channel mode. (Failed to get buffer)"});
    player.SetSingleChannel(true);
    EXPECT_EQ(r.errors.size(), 1);
}
