#include "MprisState.h"

#include <QDBusArgument>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

MprisTrack track(const QString &id, std::uint32_t lengthMs = 205000)
{
    MprisTrack t;
    t.trackId = id;
    t.title = QStringLiteral("Píseň");
    t.artist = QStringLiteral("Kapela");
    t.album = QStringLiteral("Deska");
    t.url = QStringLiteral("http://127.0.0.1/mp3/Pisen.mp3");
    t.lengthMs = lengthMs;
    return t;
}

bool validObjectPath(const QString &path)
{
    static const QRegularExpression rule(QStringLiteral("^/([A-Za-z0-9_]+(/[A-Za-z0-9_]+)*)?$"));
    return rule.match(path).hasMatch();
}

MprisState::Inputs playing(std::optional<MprisTrack> t)
{
    MprisState::Inputs in;
    in.mode = plmPlaying;
    in.track = std::move(t);
    return in;
}

} // namespace

TEST(MprisState, StatusOfEachEngineMode)
{
    EXPECT_EQ(MprisState::playbackStatus(plmPlaying), "Playing");
    EXPECT_EQ(MprisState::playbackStatus(plmPaused), "Paused");
    // Opened but not started, ended, and no stream at all are all at rest.
    EXPECT_EQ(MprisState::playbackStatus(plmStopped), "Stopped");
    EXPECT_EQ(MprisState::playbackStatus(plmReady), "Stopped");
    EXPECT_EQ(MprisState::playbackStatus(plmStandby), "Stopped");
}

TEST(MprisState, TrackPathsAreValidAndTellTracksApart)
{
    EXPECT_EQ(MprisState::trackPath(std::nullopt).path(), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    const QStringList ids = {QStringLiteral("1234"), QStringLiteral("a/b c"), QStringLiteral("ěščř-ID"),
                             QString(), QStringLiteral("..//"), QStringLiteral("1235")};
    QStringList paths;
    for (const QString &id : ids) {
        const QString path = MprisState::trackPath(track(id)).path();
        EXPECT_TRUE(validObjectPath(path)) << path.toStdString();
        EXPECT_FALSE(paths.contains(path)) << path.toStdString();
        paths << path;
    }
    // The same ID gives the same path, so SetPosition can name the track.
    EXPECT_EQ(MprisState::trackPath(track(QStringLiteral("a/b c"))).path(), paths[1]);
}

TEST(MprisState, MetadataOfATrack)
{
    const QVariantMap m = MprisState::metadata(track(QStringLiteral("77")));
    EXPECT_EQ(m.value("mpris:trackid").value<QDBusObjectPath>(), MprisState::trackPath(track(QStringLiteral("77"))));
    EXPECT_EQ(m.value("xesam:title").toString(), QStringLiteral("Píseň"));
    EXPECT_EQ(m.value("xesam:artist").toStringList(), QStringList{QStringLiteral("Kapela")});
    EXPECT_EQ(m.value("xesam:album").toString(), QStringLiteral("Deska"));
    EXPECT_EQ(m.value("xesam:url").toString(), QStringLiteral("http://127.0.0.1/mp3/Pisen.mp3"));
    // Microseconds, as a 64-bit integer: 3 min 25 s.
    EXPECT_EQ(m.value("mpris:length").typeId(), QMetaType::LongLong);
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 205000000LL);
    // The longest length the engine can give does not overflow.
    EXPECT_EQ(MprisState::metadata(track({}, 0xFFFFFFFFu)).value("mpris:length").toLongLong(), 4294967295000LL);
}

TEST(MprisState, MetadataLeavesOutWhatIsUnknown)
{
    MprisTrack bare;
    bare.title = QStringLiteral("Jen název");
    const QVariantMap m = MprisState::metadata(bare);
    EXPECT_EQ(m.keys(), (QStringList{"mpris:trackid", "xesam:title"}));
    const QVariantMap none = MprisState::metadata(std::nullopt);
    EXPECT_EQ(none.keys(), QStringList{"mpris:trackid"});
}

TEST(MprisState, VolumeFollowsTheKnob)
{
    EXPECT_DOUBLE_EQ(MprisState::volume(0), 0.0);
    EXPECT_DOUBLE_EQ(MprisState::volume(255), 1.0);
    EXPECT_DOUBLE_EQ(MprisState::volume(300), 1.0);
    EXPECT_DOUBLE_EQ(MprisState::volume(-4), 0.0);
    for (int p = 0; p <= 255; ++p)
        ASSERT_EQ(MprisState::knobPosition(MprisState::volume(p)), p);
    EXPECT_EQ(MprisState::knobPosition(0.5), 128);
    EXPECT_EQ(MprisState::knobPosition(2.0), 255);
    EXPECT_EQ(MprisState::knobPosition(-1.0), 0);
    EXPECT_EQ(MprisState::knobPosition(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(MprisState::knobPosition(std::numeric_limits<double>::infinity()), 255);
}

TEST(MprisState, SeekingAsThePanelAllowsIt)
{
    EXPECT_TRUE(MprisState::canSeek(playing(track("1"))));
    MprisState::Inputs paused = playing(track("1"));
    paused.mode = plmPaused;
    EXPECT_TRUE(MprisState::canSeek(paused));
    for (TPlayerMode mode : {plmStopped, plmReady, plmStandby}) {
        MprisState::Inputs in = playing(track("1"));
        in.mode = mode;
        EXPECT_FALSE(MprisState::canSeek(in)) << int(mode);
    }
    EXPECT_FALSE(MprisState::canSeek(playing(track("1", 0))));
    EXPECT_FALSE(MprisState::canSeek(playing(std::nullopt)));
}

TEST(MprisState, ChangesNameOnlyWhatChanged)
{
    MprisState state;
    MprisState::Inputs in;
    const QVariantMap first = state.changes(in);
    EXPECT_EQ(first.size(), 8);
    EXPECT_EQ(first.value("PlaybackStatus").toString(), "Stopped");
    EXPECT_TRUE(state.changes(in).isEmpty());

    EXPECT_FALSE(first.value("CanPlay").toBool());
    EXPECT_FALSE(first.value("CanPause").toBool());

    // A track starts: status, metadata, what may be done, seeking.
    in = playing(track("1"));
    QVariantMap changed = state.changes(in);
    EXPECT_EQ(changed.keys(), (QStringList{"CanPause", "CanPlay", "CanSeek", "Metadata", "PlaybackStatus"}));
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Playing");
    EXPECT_TRUE(changed.value("CanPlay").toBool());
    EXPECT_TRUE(state.changes(in).isEmpty());

    // Paused: Play and Pause stay possible; only the status changes.
    in.mode = plmPaused;
    EXPECT_EQ(state.changes(in).keys(), QStringList{"PlaybackStatus"});
    // Ended: no seeking in a stopped stream, but Play starts it again.
    in.mode = plmStopped;
    changed = state.changes(in);
    EXPECT_EQ(changed.keys(), (QStringList{"CanSeek", "PlaybackStatus"}));
    in.mode = plmPaused;
    state.changes(in);

    // The knob, the playlist's navigation, another track.
    in.volumePosition = 51;
    changed = state.changes(in);
    EXPECT_EQ(changed.keys(), QStringList{"Volume"});
    EXPECT_DOUBLE_EQ(changed.value("Volume").toDouble(), 0.2);
    in.nextEnabled = in.previousEnabled = true;
    EXPECT_EQ(state.changes(in).keys(), (QStringList{"CanGoNext", "CanGoPrevious"}));
    in.track = track("2");
    changed = state.changes(in);
    EXPECT_EQ(changed.keys(), QStringList{"Metadata"});
    EXPECT_EQ(changed.value("Metadata").toMap().value("mpris:trackid").value<QDBusObjectPath>(),
              MprisState::trackPath(track("2")));
    // Its length becomes known later.
    in.track->lengthMs = 1000;
    EXPECT_EQ(state.changes(in).value("Metadata").toMap().value("mpris:length").toLongLong(), 1000000LL);
}
