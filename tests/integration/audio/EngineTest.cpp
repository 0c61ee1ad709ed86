// The engine with the real audio library on its silent device (which
// consumes audio at real-time pace) against a loopback HTTP server.
#include "TLoopbackServer.h"
#include "OpenAndWait.h"
#include "TStreamPlayer.h"

#include "sonaroaudio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

using ModeStep = std::pair<TPlayerMode, TPlayerMode>;

// The MP3s the build made for these tests.
QByteArray *media(const char *name)
{
    QFile file(QStringLiteral(SONARO_AUDIO_TEST_MEDIA "/%1.mp3").arg(QLatin1String(name)));
    return new QByteArray(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

// Direct calls into the library the engine loaded, to see what the device did.
struct LibraryProbe
{
    decltype(&AUDIO_ChannelGetPosition) position = nullptr;
    decltype(&AUDIO_ChannelIsActive) active = nullptr;
    decltype(&AUDIO_GetConfig) config = nullptr;
    decltype(&AUDIO_SetConfig) setConfig = nullptr;

    void bind()
    {
        const QByteArray path = qgetenv("SONARO_BIN_DIR") + "/libsonaroaudio.so";
        void *handle = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle)
            return;
        position = reinterpret_cast<decltype(position)>(dlsym(handle, "AUDIO_ChannelGetPosition"));
        active = reinterpret_cast<decltype(active)>(dlsym(handle, "AUDIO_ChannelIsActive"));
        config = reinterpret_cast<decltype(config)>(dlsym(handle, "AUDIO_GetConfig"));
        setConfig = reinterpret_cast<decltype(setConfig)>(dlsym(handle, "AUDIO_SetConfig"));
        dlclose(handle); // the engine still holds it
    }
};

class EngineTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        tone3s = media("tone3s");
        tone1s = media("tone1s");
        mono = media("mono");
        tagged = media("tagged");
        radio = media("radio");
    }
    static void TearDownTestSuite()
    {
        delete tone3s;
        delete tone1s;
        delete mono;
        delete tagged;
        delete radio;
    }

    void SetUp() override
    {
        ASSERT_FALSE(tone3s->isEmpty() || tagged->isEmpty() || radio->isEmpty()) << "test MP3s missing";
        ASSERT_FALSE(server.Host().isEmpty());
        TLoopbackReply file;
        file.Status = 200;
        file.Headers = {"Content-Type: audio/mpeg"};
        file.Bytes = *tone3s;
        server.Route("/music/song.mp3", file);
        file.Bytes = *tone1s;
        server.Route("/short.mp3", file);
        file.Bytes = *mono;
        server.Route("/mono.mp3", file);
        // Slow enough that the download is still running after Open.
        file.BytesPerSecond = 40000;
        file.Bytes = *tagged;
        server.Route("/tagged.mp3", file);
        file.Bytes = *tone3s;
        server.Route("/slow/song.mp3", file);
        file.BytesPerSecond = 0;
        file.Bytes = *tone3s;
        file.ContentLength = false;
        server.Route("/nolength.mp3", file);

        TLoopbackReply station;
        station.Status = 200;
        station.Bytes = *radio;
        station.Endless = true;
        station.BytesPerSecond = 24000;
        station.IcyInterval = 8000;
        station.IcyMeta = {"StreamTitle='Radio Song';StreamUrl='';"};
        station.Headers = {"Content-Type: audio/mpeg", "icy-metaint:8000", "icy-name:Test Radio", "icy-br:96"};
        server.Route("/radio.php?id=5", station);

        TStreamPlayer::Setup setup;
        setup.LibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR"));
        setup.OutputDevice = AUDIO_DEVICE_SILENT;
        setup.ShowError = [this](const QString &text) {
            errors << text;
            // The box is modal: what the old stream does meanwhile is seen here.
            modeDuringError = player ? player->Mode() : plmStandby;
        };
        setup.ShowWarning = [this](const QString &caption, const QString &text) { errors << caption + ": " + text; };
        player = std::make_unique<TStreamPlayer>(nullptr, setup);
        ASSERT_FALSE(player->AudioLibVer().isEmpty()) << "libsonaroaudio.so not found in SONARO_BIN_DIR";
        QObject::connect(player.get(), &TStreamPlayer::OnModeChange, player.get(),
                         [this](TPlayerMode from, TPlayerMode to) { modes.push_back({from, to}); });
        probe.bind();
        ASSERT_NE(probe.position, nullptr);
    }

    void TearDown() override { player.reset(); }

    bool waitFor(const std::function<bool()> &done, int ms = 5000) { return QTest::qWaitFor(done, ms); }

    // Milliseconds of the open stream the device has taken from the output.
    qint64 consumedMs(std::uint64_t seekBaseBytes = 0) const
    {
        const std::uint64_t played = probe.position(player->OutputChannel(), AUDIO_POS_BYTE);
        return qint64((seekBaseBytes + played) * 1000 / (44100 * 4));
    }

    QByteArray url(const QByteArray &path) const { return server.Url(path); }

    bool openAndPlay(const QByteArray &path)
    {
        if (!OpenAndWait(*player, url(path)))
            return false;
        player->Play();
        return player->Mode() == plmPlaying && waitFor([&] { return player->Position() > 100; });
    }

    static QByteArray *tone3s;
    static QByteArray *tone1s;
    static QByteArray *mono;
    static QByteArray *tagged;
    static QByteArray *radio;

    TLoopbackServer server;
    LibraryProbe probe;
    std::unique_ptr<TStreamPlayer> player;
    QStringList errors;
    std::vector<ModeStep> modes;
    TPlayerMode modeDuringError = plmStandby;
};

QByteArray *EngineTest::tone3s = nullptr;
QByteArray *EngineTest::tone1s = nullptr;
QByteArray *EngineTest::mono = nullptr;
QByteArray *EngineTest::tagged = nullptr;
QByteArray *EngineTest::radio = nullptr;

} // namespace

TEST_F(EngineTest, RecognisedFileHasItsFactsAndDownloadProgress)
{
    EXPECT_EQ(player->AudioLibVer(), "1.515");
    EXPECT_EQ(player->Volume(), 255u);
    EXPECT_EQ(probe.config(AUDIO_CONFIG_STREAM_VOLUME), 255u);
    const QByteArray url = this->url("/slow/song.mp3");
    QString downloaded;
    QObject::connect(player.get(), &TStreamPlayer::OnDownloaded, player.get(),
                     [&](const QString &content) { downloaded = content; });

    ASSERT_TRUE(OpenAndWait(*player, url));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('|').toStdString();
    EXPECT_EQ(player->Mode(), plmReady);
    EXPECT_EQ(modes, (std::vector<ModeStep>{{plmStandby, plmReady}}));
    EXPECT_EQ(player->StreamName(), url);
    EXPECT_TRUE(player->NetStream());
    EXPECT_EQ(player->DecoderName(), "Native");
    const TStreamInfo &info = player->StreamInfo();
    EXPECT_EQ(info.FileName, url);
    EXPECT_EQ(info.Title, "song");
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.StreamSize, std::uint32_t(tone3s->size()));
    EXPECT_NEAR(info.BitRate, 128, 2);
    EXPECT_NEAR(double(info.Duration), 3000.0, 80.0);
    EXPECT_NEAR(double(player->PlayLength()), double(info.Duration), 80.0);
    EXPECT_EQ(player->Position(), 0u);
    EXPECT_LT(player->DownloadedBytes(), std::uint32_t(tone3s->size()));

    ASSERT_TRUE(waitFor([&] { return !downloaded.isEmpty(); }));
    EXPECT_EQ(player->DownloadedBytes(), std::uint32_t(tone3s->size()));
    EXPECT_EQ(downloaded, QString::number(player->StreamInfo().Duration));
}

TEST_F(EngineTest, TagsAreReadOnceTheDownloadIsComplete)
{
    bool done = false;
    QObject::connect(player.get(), &TStreamPlayer::OnDownloaded, player.get(), [&](const QString &) { done = true; });
    ASSERT_TRUE(OpenAndWait(*player, url("/tagged.mp3")));
    EXPECT_EQ(player->StreamInfo().Title, "tagged");
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(player->StreamInfo().Title, "Tagged Title");
    EXPECT_EQ(player->StreamInfo().Artist, "Some Artist");
    EXPECT_EQ(player->StreamInfo().Track, 4);
}

TEST_F(EngineTest, UnknownSizeGivesNoSizeAndNoBitRate)
{
    ASSERT_TRUE(OpenAndWait(*player, url("/nolength.mp3")));
    EXPECT_TRUE(player->NetStream());
    EXPECT_EQ(player->StreamInfo().StreamSize, 0u);
    EXPECT_EQ(player->StreamInfo().BitRate, 0);
    EXPECT_EQ(player->StreamInfo().Title, "nolength");
}

TEST_F(EngineTest, RadioTypeUrlTakesBitRateFromHeaderAndTitleFromMetadata)
{
    QStringList titles;
    QObject::connect(player.get(), &TStreamPlayer::OnGetMeta, player.get(),
                     [&](const QString &title) { titles << title; });
    ASSERT_TRUE(OpenAndWait(*player, url("/radio.php?id=5")));
    EXPECT_FALSE(player->NetStream());
    EXPECT_EQ(player->DownloadedBytes(), 0u);
    EXPECT_EQ(player->StreamInfo().BitRate, 96);
    EXPECT_EQ(player->StreamInfo().StreamSize, 0u);
    EXPECT_EQ(player->DecoderName(), "");

    player->Play();
    EXPECT_EQ(player->Mode(), plmPlaying);
    ASSERT_TRUE(waitFor([&] { return !titles.isEmpty(); }));
    EXPECT_EQ(titles.first(), "Radio Song");
    EXPECT_EQ(player->StreamInfo().Title, "Radio Song");
    EXPECT_TRUE(waitFor([&] { return player->Position() > 300; }));
    EXPECT_EQ(player->DownloadedBytes(), 0u);
    // A live station has no length, so the panel draws no play bar for it.
    EXPECT_EQ(player->PlayLength(), 0u);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('|').toStdString();
}

TEST_F(EngineTest, CutStreamWaitsThenStopsAtItsPlaceAndPlayGoesOnFromThere)
{
    probe.setConfig(AUDIO_CONFIG_NET_RETRY, 4000);
    TLoopbackReply cut;
    cut.Status = 200;
    cut.Headers = {"Content-Type: audio/mpeg"};
    cut.Bytes = *tone3s;
    cut.DropAfter = tone3s->size() * 2 / 5; // every request breaks here
    server.Route("/cut/song.mp3", cut);
    int ends = 0;
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] { ++ends; });
    ASSERT_TRUE(OpenAndWait(*player, url("/cut/song.mp3")));
    const std::uint32_t length = player->PlayLength();
    const std::uint32_t size = player->StreamInfo().StreamSize;
    player->Play();

    // The sound plays what arrived, then waits while the library reconnects.
    bool sawWaiting = false;
    bool sawReconnecting = false;
    ASSERT_TRUE(waitFor([&] {
        sawWaiting = sawWaiting || (player->WaitingForData() && player->Mode() == plmPlaying);
        sawReconnecting = sawReconnecting || player->Reconnecting();
        return player->Mode() == plmStopped;
    }, 15000));
    EXPECT_TRUE(sawWaiting);
    EXPECT_TRUE(sawReconnecting);
    // Retries spent: stopped where the data ran out, with the engine's message, no end.
    EXPECT_TRUE(player->StoppedAtFault());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].endsWith(url("/cut/song.mp3"))) << errors[0].toStdString();
    const std::uint32_t stoppedAt = player->Position();
    EXPECT_GT(stoppedAt, length / 4);
    EXPECT_LT(stoppedAt, length * 3 / 4);
    // The download position counts only what came; the size stays the file's.
    EXPECT_EQ(player->DownloadedBytes(), std::uint32_t(cut.DropAfter));
    EXPECT_EQ(player->StreamInfo().StreamSize, size);
    EXPECT_EQ(player->PlayLength(), length);
    QTest::qWait(300);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(player->Position(), stoppedAt);

    // The server mends: Play goes on from there with a new request, to the real end.
    cut.DropAfter = -1;
    server.Route("/cut/song.mp3", cut);
    const int requests = server.RequestCount();
    player->Play();
    EXPECT_EQ(player->Mode(), plmPlaying);
    EXPECT_FALSE(player->StoppedAtFault());
    // Only the rest is played, not the track again from its start.
    std::uint32_t lowest = player->Position();
    ASSERT_TRUE(waitFor([&] {
        if (ends == 0)
            lowest = std::min(lowest, player->Position());
        return ends == 1;
    }, 10000));
    EXPECT_GE(lowest, stoppedAt);
    EXPECT_GT(server.RequestCount(), requests);
    EXPECT_EQ(player->DownloadedBytes(), size);
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(EngineTest, FailedOpenWhilePlayingResumesTheOldStream)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    QTest::qWait(300);
    modes.clear();
    const QByteArray bad = url("/missing.mp3");
    const std::uint32_t before = player->Position();

    EXPECT_FALSE(OpenAndWait(*player, bad));
    EXPECT_EQ(errors, QStringList{QString::fromUtf8("Nelze přehrát tuto MP3:\n") + bad});
    // This failure resumes before its box appears.
    EXPECT_EQ(modeDuringError, plmPlaying);
    EXPECT_EQ(modes, (std::vector<ModeStep>{{plmPlaying, plmPaused}, {plmPaused, plmPlaying}}));
    EXPECT_EQ(player->Mode(), plmPlaying);
    EXPECT_EQ(player->StreamName(), url("/music/song.mp3"));
    EXPECT_NEAR(double(player->Position()), double(before), 60.0);
    QTest::qWait(300);
    EXPECT_GT(player->Position(), before + 200);
}

TEST_F(EngineTest, LocalNamesFailAfterTheirBoxWithTheOldStreamPaused)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    modes.clear();
    const QByteArray capital = url("/music/song.mp3").replace("http://", "HTTP://");
    EXPECT_FALSE(OpenAndWait(*player, capital));
    EXPECT_EQ(errors, QStringList{"Can't play the specified stream file.\n -> " + capital});
    EXPECT_EQ(modeDuringError, plmPaused);
    EXPECT_EQ(player->Mode(), plmPlaying);

    errors.clear();
    EXPECT_FALSE(OpenAndWait(*player, url("/video.wma")));
    EXPECT_EQ(errors, QStringList{"Input plug-in for ASF (or WMA) file is not loaded."});
    EXPECT_EQ(player->Mode(), plmPlaying);
    EXPECT_EQ(server.RequestCount(), 1);
}

TEST_F(EngineTest, OpenWhilePlayingGoesThroughPausedStandbyReady)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    modes.clear();
    ASSERT_TRUE(OpenAndWait(*player, url("/short.mp3")));
    EXPECT_EQ(player->StreamInfo().Title, "short");
    EXPECT_EQ(player->Position(), 0u);
    player->Play();
    EXPECT_EQ(modes, (std::vector<ModeStep>{{plmPlaying, plmPaused},
                                           {plmPaused, plmStandby},
                                           {plmStandby, plmReady},
                                           {plmReady, plmPlaying}}));
}

TEST_F(EngineTest, OpenDoesNotWaitForTheServerAndANewerOpenWins)
{
    TLoopbackReply held;
    held.Status = 200;
    held.Headers = {"Content-Type: audio/mpeg"};
    held.Bytes = *tone1s;
    held.DelayMs = 1500;
    server.Route("/held.mp3", held);
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    modes.clear();

    std::optional<bool> first;
    std::optional<bool> second;
    player->Open(url("/held.mp3"), [&](bool opened) { first = opened; });
    // Back at once, with the old stream paused while the server is silent.
    EXPECT_FALSE(first.has_value());
    EXPECT_TRUE(player->OpenPending());
    EXPECT_EQ(player->Mode(), plmPaused);
    ASSERT_TRUE(waitFor([&] { return server.RequestCount() == 2; }));

    player->Open(url("/short.mp3"), [&](bool opened) { second = opened; });
    EXPECT_EQ(first, std::optional<bool>(false)); // gave way, without a box
    ASSERT_TRUE(waitFor([&] { return second.has_value(); }));
    EXPECT_TRUE(*second);
    player->Play();
    EXPECT_EQ(modes, (std::vector<ModeStep>{{plmPlaying, plmPaused},
                                           {plmPaused, plmStandby},
                                           {plmStandby, plmReady},
                                           {plmReady, plmPlaying}}));

    // The held stream arrives late and is dropped: the short one stays open
    // (it may have played to its end meanwhile).
    QTest::qWait(1800);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('|').toStdString();
    EXPECT_FALSE(player->OpenPending());
    EXPECT_EQ(player->StreamName(), url("/short.mp3"));
    EXPECT_EQ(std::count_if(modes.begin(), modes.end(), [](const ModeStep &m) { return m.second == plmStandby; }), 1);
}

TEST_F(EngineTest, DestroyedWhileAServerHoldsItsAnswer)
{
    TLoopbackReply held;
    held.Status = 200;
    held.Headers = {"Content-Type: audio/mpeg"};
    held.Bytes = *tone1s;
    held.DelayMs = 60000;
    server.Route("/held.mp3", held);
    bool called = false;
    player->Open(url("/held.mp3"), [&](bool) { called = true; });
    ASSERT_TRUE(waitFor([&] { return server.RequestCount() == 1; }));
    QElapsedTimer timer;
    timer.start();
    player.reset();
    // Well before the library's own 30 s give-up: the attempt was cut off.
    EXPECT_LT(timer.elapsed(), 10000);
    QTest::qWait(100);
    EXPECT_FALSE(called);
}

TEST_F(EngineTest, PositionFollowsWhatTheDeviceConsumed)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    QElapsedTimer clock;
    clock.start();
    const std::uint32_t start = player->Position();
    for (int i = 0; i < 8; ++i) {
        QTest::qWait(150);
        const qint64 consumed = consumedMs();
        const qint64 position = player->Position();
        EXPECT_NEAR(double(position), double(consumed), 50.0) << "sample " << i;
    }
    // Real-time pace on the silent device.
    EXPECT_NEAR(double(player->Position() - start), double(clock.elapsed()), 60.0);
    EXPECT_EQ(player->Underruns(), 0u);
    // The pipeline keeps 0.4 to 0.6 s ahead of the output.
    EXPECT_GE(player->BufferedBytes(), 2u * 35280u - 4608u);
    EXPECT_LE(player->BufferedBytes(), 88200u);
    EXPECT_EQ(player->RingBytes(), 88200u);
}

TEST_F(EngineTest, LowRateMonoStreamResizesTheRing)
{
    ASSERT_TRUE(openAndPlay("/mono.mp3"));
    EXPECT_EQ(player->StreamInfo().SampleRate, 22050);
    EXPECT_EQ(player->StreamInfo().Channels, 1);
    // 0.2 s of 16-bit mono at 22050 Hz is 8820 bytes; the ring becomes 3 of them.
    EXPECT_EQ(player->RingBytes(), 26460u);
    const std::uint32_t first = player->Position();
    QTest::qWait(400);
    EXPECT_NEAR(double(player->Position() - first), 400.0, 80.0);
}

TEST_F(EngineTest, SeekWhilePausedResumesFromTheNewPlace)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    player->Pause(true);
    EXPECT_EQ(player->Mode(), plmPaused);
    const std::uint32_t paused = player->Position();
    QTest::qWait(200);
    EXPECT_EQ(player->Position(), paused);

    player->SetPosition(player->PlayLength() + 1); // beyond the end: ignored
    EXPECT_EQ(player->Position(), paused);

    player->SetPosition(2000);
    EXPECT_EQ(player->Mode(), plmPaused);
    EXPECT_NEAR(double(player->Position()), 2000.0, 30.0);
    QTest::qWait(200);
    EXPECT_NEAR(double(player->Position()), 2000.0, 30.0);

    player->Stop(); // a paused stream is not stopped
    EXPECT_EQ(player->Mode(), plmPaused);

    player->Pause(false);
    EXPECT_EQ(player->Mode(), plmPlaying);
    QTest::qWait(300);
    const qint64 position = player->Position();
    EXPECT_NEAR(double(position), 2300.0, 70.0);
    EXPECT_NEAR(double(position), double(consumedMs(2000ull * 44100 * 4 / 1000)), 50.0);
}

TEST_F(EngineTest, SeekWhilePlayingKeepsPlayingFromThere)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    player->SetPosition(1500);
    EXPECT_EQ(player->Mode(), plmPlaying);
    QTest::qWait(300);
    EXPECT_NEAR(double(player->Position()), 1800.0, 70.0);
}

TEST_F(EngineTest, PlayAfterStopStartsFromZero)
{
    ASSERT_TRUE(openAndPlay("/music/song.mp3"));
    QTest::qWait(500);
    player->Stop();
    EXPECT_EQ(player->Mode(), plmStopped);
    player->Pause(true); // nothing to pause
    EXPECT_EQ(player->Mode(), plmStopped);
    modes.clear();

    player->Play();
    EXPECT_EQ(player->Mode(), plmPlaying);
    EXPECT_LT(player->Position(), 60u);
    QTest::qWait(300);
    EXPECT_NEAR(double(player->Position()), 300.0, 80.0);
    EXPECT_EQ(modes, (std::vector<ModeStep>{{plmStopped, plmPlaying}}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('|').toStdString();
}

TEST_F(EngineTest, PlayEndComesAfterTheOutputFellSilent)
{
    TPlayerMode modeAtEnd = plmStandby;
    std::uint32_t outputState = 99;
    int ends = 0;
    QElapsedTimer clock;
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] {
        ++ends;
        modeAtEnd = player->Mode();
        outputState = probe.active(player->OutputChannel());
    });
    ASSERT_TRUE(OpenAndWait(*player, url("/short.mp3")));
    const std::uint32_t length = player->PlayLength();
    player->Play();
    clock.start();
    ASSERT_TRUE(waitFor([&] { return ends > 0; }, 10000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(modeAtEnd, plmStopped);
    EXPECT_EQ(outputState, std::uint32_t(AUDIO_ACTIVE_STOPPED));
    EXPECT_GE(elapsed, qint64(length) - 30);
    EXPECT_LE(elapsed, qint64(length) + 700);
    EXPECT_NEAR(double(player->Position()), double(length), 60.0);
    EXPECT_EQ(modes.back(), ModeStep(plmPlaying, plmStopped));
    QTest::qWait(200);
    EXPECT_EQ(ends, 1);

    // Played again from the start, it ends again.
    player->Play();
    EXPECT_EQ(player->Mode(), plmPlaying);
    EXPECT_TRUE(waitFor([&] { return ends == 2; }, 10000));
}

TEST_F(EngineTest, OpeningAnotherStreamDuringTheEndWaitCancelsTheEnd)
{
    int ends = 0;
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] { ++ends; });
    ASSERT_TRUE(OpenAndWait(*player, url("/short.mp3")));
    player->Play();
    // The decoder is done 0.4 s or more before the sound is.
    ASSERT_TRUE(waitFor([&] { return player->Mode() == plmStopped; }, 10000));
    ASSERT_TRUE(OpenAndWait(*player, url("/music/song.mp3")));
    player->Play();
    QTest::qWait(800);
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(player->Mode(), plmPlaying);
}

TEST_F(EngineTest, EveryListenerHearsEachEventOnceInTheOrderConnected)
{
    // The first listener starts the stream again, as the playlist starts the
    // next entry; the second must still hear that end, and the next one too.
    std::vector<int> heard;
    TPlayerMode modeAtSecond = plmStandby;
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] {
        heard.push_back(1);
        if (heard.size() == 1)
            player->Play();
    });
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] {
        heard.push_back(2);
        modeAtSecond = player->Mode();
    });
    std::vector<ModeStep> secondModes;
    QObject::connect(player.get(), &TStreamPlayer::OnModeChange, player.get(),
                     [&](TPlayerMode from, TPlayerMode to) { secondModes.push_back({from, to}); });

    ASSERT_TRUE(openAndPlay("/short.mp3"));
    ASSERT_TRUE(waitFor([&] { return heard.size() >= 2; }, 10000));
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
    EXPECT_EQ(modeAtSecond, plmPlaying);
    ASSERT_TRUE(waitFor([&] { return heard.size() >= 4; }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(modeAtSecond, plmStopped);
    EXPECT_EQ(secondModes, modes);
    EXPECT_EQ(secondModes.back(), ModeStep(plmPlaying, plmStopped));
}

TEST_F(EngineTest, VolumeIsClampedAndReachesTheLibrary)
{
    player->SetVolume(300);
    EXPECT_EQ(player->Volume(), 255u);
    EXPECT_EQ(probe.config(AUDIO_CONFIG_STREAM_VOLUME), 255u);
    player->SetVolume(100);
    EXPECT_EQ(player->Volume(), 100u);
    EXPECT_EQ(probe.config(AUDIO_CONFIG_STREAM_VOLUME), 100u);
    EXPECT_EQ(probe.config(AUDIO_CONFIG_MUSIC_VOLUME), 100u);
}

TEST_F(EngineTest, DestroyedWhilePlayingAndStreamingLeavesNothingBehind)
{
    int events = 0;
    ASSERT_TRUE(openAndPlay("/radio.php?id=5"));
    QObject::connect(player.get(), &TStreamPlayer::OnGetMeta, player.get(), [&](const QString &) { ++events; });
    QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [&] { ++events; });
    player.reset();
    // Anything a library thread posted late must not reach the freed engine.
    QTest::qWait(300);
    EXPECT_EQ(events, 0);
}

TEST_F(EngineTest, SingleChannelModePlaysTheStreamDirectly)
{
    player->SetSingleChannel(true);
    ASSERT_TRUE(OpenAndWait(*player, url("/music/song.mp3")));
    EXPECT_TRUE(player->SingleChannel());
    player->Play();
    ASSERT_EQ(player->Mode(), plmPlaying);
    EXPECT_EQ(player->BufferedBytes(), 0u);
    ASSERT_TRUE(waitFor([&] { return player->Position() > 300; }));
    player->SetPosition(2000);
    QTest::qWait(200);
    EXPECT_NEAR(double(player->Position()), 2200.0, 80.0);
}
