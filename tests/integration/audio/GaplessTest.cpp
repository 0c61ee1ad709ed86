// A playlist's entries one after the other through the engine, with the
// real audio library playing to SDL's disk driver: the next entry is opened
// ahead and follows the last sample of the one before.
#include "AudioFixtures.h"
#include "TLoopbackServer.h"
#include "OpenAndWait.h"
#include "PcmSeam.h"
#include "TStreamPlayer.h"

#include "sonaroaudio.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

QByteArray media(const char *name)
{
    QFile file(QStringLiteral(SONARO_AUDIO_TEST_MEDIA "/%1.mp3").arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The two halves hold 66025 + 66275 frames of one tone.
constexpr std::size_t kWholeToneFrames = 132300;

// Both files through libmpg123, one after the other.
std::vector<std::int16_t> referenceOf(std::initializer_list<const char *> names)
{
    std::vector<std::string> paths;
    for (const char *name : names)
        paths.push_back(std::string(SONARO_AUDIO_TEST_MEDIA "/") + name + ".mp3");
    return AudioFixtures::decodeMpegInOrder(paths);
}

class GaplessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        capture = dir.filePath(QStringLiteral("out.raw")).toStdString();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        ASSERT_FALSE(server.Host().isEmpty());
        TLoopbackReply file;
        file.Status = 200;
        file.Headers = {"Content-Type: audio/mpeg"};
        for (const char *name : {"half1", "half2", "mono"}) {
            file.Bytes = media(name);
            ASSERT_FALSE(file.Bytes.isEmpty()) << "test MP3 " << name << " missing";
            server.Route(QByteArray("/") + name + ".mp3", file);
        }
        TLoopbackReply missing;
        missing.Status = 404;
        server.Route("/missing.mp3", missing);

        TStreamPlayer::Setup setup;
        setup.LibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR"));
        setup.OutputDevice = AUDIO_DEVICE_DEFAULT;
        setup.ShowError = [this](const QString &text) { errors << text; };
        setup.ShowWarning = [this](const QString &caption, const QString &text) { errors << caption + ": " + text; };
        player = std::make_unique<TStreamPlayer>(nullptr, setup);
        ASSERT_FALSE(player->AudioLibVer().isEmpty()) << "libsonaroaudio.so not found in SONARO_BIN_DIR";
        // As the playlist does it: the end opens the next entry, which plays
        // and announces the one after it.
        QObject::connect(player.get(), &TStreamPlayer::OnPlayEnd, player.get(), [this] {
            ++ends;
            if (current + 1 < entries.size())
                start(current + 1);
        });
    }

    void TearDown() override
    {
        player.reset();
        unsetenv("SDL_AUDIODRIVER");
    }

    void start(std::size_t index)
    {
        player->Open(entries[index], [this, index](bool opened) {
            if (!opened)
                return;
            current = index;
            player->Play();
            positionAtStart.push_back(player->Position());
            player->OpenAhead(index + 1 < entries.size() ? entries[index + 1] : QByteArray());
        });
    }

    void playList(const QStringList &names)
    {
        for (const QString &name : names)
            entries << server.Url(name.toLatin1());
        start(0);
    }

    // Waits for done, noting whether the next stream was ever joined on.
    bool waitFor(const std::function<bool()> &done, int ms)
    {
        return QTest::qWaitFor([&] {
            chainedSeen = chainedSeen || player->AheadChained();
            return done();
        }, ms);
    }

    // The device is closed with the engine, so the file is complete then.
    PcmSeam captured()
    {
        player.reset();
        return PcmSeam::of(AudioFixtures::readSamples(capture), 2);
    }

    QTemporaryDir dir;
    std::string capture;
    TLoopbackServer server;
    std::unique_ptr<TStreamPlayer> player;
    QList<QByteArray> entries;
    std::size_t current = 0;
    int ends = 0;
    bool chainedSeen = false;
    std::vector<std::uint32_t> positionAtStart;
    QStringList errors;
};

} // namespace

TEST_F(GaplessTest, TwoHalvesOfOneToneJoinWithoutAHole)
{
    playList({"/half1.mp3", "/half2.mp3"});
    ASSERT_TRUE(waitFor([&] { return ends == 2; }, 15000)) << ends;
    EXPECT_TRUE(chainedSeen);
    EXPECT_EQ(player->StreamName(), entries[1]);
    EXPECT_EQ(player->Mode(), plmStopped);
    // The second half's position starts at what of it has been heard, not
    // at what has been decoded of it (the pipeline's 0.6 s and more).
    ASSERT_EQ(positionAtStart.size(), 2u);
    EXPECT_LT(positionAtStart[1], 400u);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    player.reset(); // closes the device, so the capture is complete
    const std::vector<std::int16_t> capture = AudioFixtures::readSamples(this->capture);
    const PcmSeam seam = PcmSeam::of(capture, 2);
    EXPECT_LE(seam.longestQuietRun, 2u) << seam.describe();
    EXPECT_NEAR(double(seam.toneFrames), double(kWholeToneFrames), 4.0) << seam.describe();
    // The seam is what the two files hold at their ends, nothing more.
    const std::vector<std::int16_t> reference = referenceOf({"half1", "half2"});
    std::size_t first = 0;
    EXPECT_EQ(framesDiffering(capture, reference, 2, &first), 0u) << "first at frame " << first;
}

TEST_F(GaplessTest, FollowersThatCannotJoinStartAsBefore)
{
    // Another format needs an output of its own: it starts after a pause.
    playList({"/half1.mp3", "/mono.mp3"});
    ASSERT_TRUE(waitFor([&] { return ends == 2; }, 15000)) << ends;
    EXPECT_FALSE(chainedSeen);
    EXPECT_EQ(player->StreamName(), entries[1]);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    const PcmSeam seam = captured();
    EXPECT_GT(seam.longestQuietRun, 200u) << seam.describe();
}

TEST_F(GaplessTest, AFollowerThatCannotBeOpenedIsReportedByItsOwnOpen)
{
    playList({"/half1.mp3", "/missing.mp3"});
    ASSERT_TRUE(waitFor([&] { return ends == 1 && !player->OpenPending(); }, 15000)) << ends;
    QTest::qWait(300);
    EXPECT_FALSE(chainedSeen);
    EXPECT_EQ(errors, QStringList{QStringLiteral("Nelze přehrát tuto MP3:\n") + entries[1]});
    // The failed entry leaves the first one as it ended.
    EXPECT_EQ(player->StreamName(), entries[0]);
    EXPECT_EQ(player->Mode(), plmStopped);
}

TEST_F(GaplessTest, SeekingBackInTheLastMomentsUndoesTheJoinAndMakesItAgain)
{
    playList({"/half1.mp3", "/half2.mp3"});
    ASSERT_TRUE(waitFor([&] { return player->AheadChained(); }, 10000));
    ASSERT_EQ(ends, 0);
    player->SetPosition(1000);
    EXPECT_FALSE(player->AheadChained());
    chainedSeen = false;
    // Half a second of the first half is left to play, then the join again.
    ASSERT_TRUE(waitFor([&] { return ends == 1; }, 5000));
    EXPECT_TRUE(chainedSeen);
    ASSERT_TRUE(waitFor([&] { return ends == 2; }, 10000)) << ends;
    EXPECT_EQ(player->StreamName(), entries[1]);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    const PcmSeam seam = captured();
    // Only the seek cut the tone; the join itself left no hole.
    EXPECT_LE(seam.longestQuietRun, 2u) << seam.describe();
}
