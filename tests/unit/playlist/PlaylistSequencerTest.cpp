#include "MainState.h"
#include "PlaylistModel.h"
#include "PlaylistPlayer.h"
#include "PlaylistSequencer.h"

#include <QSet>

#include <gtest/gtest.h>

#include <utility>

namespace {

// Opens every URL but those listed as failing; the open stream's name is the
// last one opened successfully.
class FakePlayer : public PlaylistPlayer
{
public:
    QSet<QByteArray> failing;
    QByteArrayList attempts;
    QByteArray current;

    // Deferred: the outcome waits for finish(), as a real stream's does.
    bool deferred = false;
    OpenDone waiting;

    void open(const QByteArray &url, OpenDone done) override
    {
        attempts.append(url);
        if (deferred) {
            waiting = [this, url, done](bool ok) {
                if (ok)
                    current = url;
                done(ok);
            };
            return;
        }
        if (!failing.contains(url))
            current = url;
        done(!failing.contains(url));
    }
    void finish(bool ok) { std::exchange(waiting, nullptr)(ok); }
    QByteArray streamName() const override { return current; }
    // What the player was last told follows.
    QByteArray following = "(never told)";
    void openAhead(const QByteArray &url) override { following = url; }
};

PlaylistEntry entry(const char *name)
{
    return {QByteArray("Title ") + name, "1:00", QByteArray("http://h/") + name + ".mp3", QByteArray(name), false};
}

class PlaylistSequencerTest : public ::testing::Test
{
protected:
    PlaylistModel model;
    MainState state;
    FakePlayer player;
    int resultMarksCleared = 0;
    QStringList displayed;
    PlaylistSequencer sequencer{model, state,
                                {[this] { ++resultMarksCleared; },
                                 [this](const QString &title) { displayed.append(title); }}};

    void SetUp() override
    {
        model.setEntries({entry("A"), entry("B"), entry("C")});
        sequencer.setPlayer(&player);
        state.CurrentTrackId = "R";
    }
    int markedRow() const
    {
        for (int i = 0; i < model.rowCount(); ++i)
            if (model.entry(i).nowPlaying)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(PlaylistSequencerTest, StartingARowSetsStateMarkAndDisplay)
{
    ASSERT_TRUE(sequencer.startRow(1));
    EXPECT_EQ(player.attempts, QByteArrayList{"http://h/B.mp3"});
    EXPECT_TRUE(state.PlayingFromPlaylist);
    EXPECT_EQ(state.RequestedTrackId, "B");
    EXPECT_EQ(state.CurrentTrackId, "B");
    EXPECT_EQ(state.PreviousTrackId, "R");
    EXPECT_EQ(resultMarksCleared, 1);
    EXPECT_EQ(markedRow(), 1);
    EXPECT_EQ(displayed, QStringList{"Title B"});
    EXPECT_EQ(sequencer.currentEntry(), 1);
}

TEST_F(PlaylistSequencerTest, NextRunsToTheLastRowAndStops)
{
    sequencer.startRow(1);
    sequencer.next();
    EXPECT_EQ(markedRow(), 2);
    EXPECT_EQ(state.PreviousTrackId, "B");
    EXPECT_EQ(state.CurrentTrackId, "C");
    sequencer.next(); // no wrap-around
    EXPECT_EQ(player.attempts, (QByteArrayList{"http://h/B.mp3", "http://h/C.mp3"}));
    EXPECT_EQ(markedRow(), 2);

    sequencer.previous();
    sequencer.previous();
    EXPECT_EQ(markedRow(), 0);
    sequencer.previous(); // nothing before the first
    EXPECT_EQ(player.attempts.size(), 4);
    EXPECT_EQ(displayed, (QStringList{"Title B", "Title C", "Title B", "Title A"}));
}

TEST_F(PlaylistSequencerTest, FailedOpenChangesNothingAndIsNotRetriedFurther)
{
    sequencer.startRow(0);
    player.failing.insert("http://h/B.mp3");
    const MainState before = state;
    sequencer.next();
    EXPECT_EQ(player.attempts, (QByteArrayList{"http://h/A.mp3", "http://h/B.mp3"}));
    EXPECT_EQ(markedRow(), 0);
    EXPECT_EQ(state.CurrentTrackId, before.CurrentTrackId);
    EXPECT_EQ(state.RequestedTrackId, before.RequestedTrackId);
    EXPECT_EQ(displayed.size(), 1);
    EXPECT_EQ(resultMarksCleared, 1);

    // A failed first start leaves the flag as it was.
    MainState fresh;
    PlaylistSequencer other(model, fresh, {});
    other.setPlayer(&player);
    EXPECT_TRUE(other.startRow(1));
    EXPECT_FALSE(fresh.PlayingFromPlaylist);
}

TEST_F(PlaylistSequencerTest, CurrentEntryFollowsTheMarkedPlayingRow)
{
    sequencer.startRow(1);
    // Moved below C: B is the last row now, so nothing follows.
    model.moveEntry(1, 2);
    EXPECT_EQ(sequencer.currentEntry(), 2);
    sequencer.next();
    EXPECT_EQ(player.attempts.size(), 1);

    // Removed: neither direction finds it.
    model.removeEntry(2);
    EXPECT_FALSE(sequencer.currentEntry().has_value());
    sequencer.next();
    sequencer.previous();
    EXPECT_EQ(player.attempts.size(), 1);
}

TEST_F(PlaylistSequencerTest, NothingFollowsATrackFromElsewhere)
{
    sequencer.startRow(0);
    // A result started meanwhile: the engine plays another stream.
    state.PlayingFromPlaylist = false;
    player.current = "http://h/result.mp3";
    model.clearMarks();
    sequencer.next();
    EXPECT_EQ(player.attempts.size(), 1);

    // The mark alone is not enough: the stream must be the row's.
    state.PlayingFromPlaylist = true;
    model.setMark(0);
    EXPECT_FALSE(sequencer.currentEntry().has_value());
    // A replaced playlist holding the same URL, unmarked, is not current either.
    player.current = "http://h/A.mp3";
    model.setEntries({entry("A"), entry("B")});
    sequencer.next();
    EXPECT_EQ(player.attempts.size(), 1);
}

TEST_F(PlaylistSequencerTest, FirstMarkedRowWithTheStreamIsCurrent)
{
    // The same track twice; the mark decides which copy is playing.
    model.setEntries({entry("A"), entry("B"), entry("A"), entry("C")});
    sequencer.startRow(2);
    EXPECT_EQ(sequencer.currentEntry(), 2);
    sequencer.next();
    EXPECT_EQ(player.attempts.last(), "http://h/C.mp3");

    PlaylistSequencer idle(model, state, {});
    EXPECT_FALSE(idle.startRow(0)); // no engine
    EXPECT_FALSE(idle.currentEntry().has_value());
}

TEST_F(PlaylistSequencerTest, OpeningStreamChangesNothingUntilItIsReady)
{
    player.deferred = true;
    ASSERT_TRUE(sequencer.startRow(1));
    EXPECT_FALSE(state.PlayingFromPlaylist);
    EXPECT_EQ(markedRow(), -1);
    EXPECT_TRUE(displayed.isEmpty());

    // The row moved to the top while the stream opened: the mark follows it.
    model.setEntries({entry("B"), entry("A"), entry("C")});
    player.finish(true);
    EXPECT_EQ(markedRow(), 0);
    EXPECT_EQ(state.CurrentTrackId, "B");
    EXPECT_EQ(displayed, QStringList{"Title B"});

    // Removed meanwhile: the track still plays and shows, with no row marked.
    sequencer.startRow(2);
    model.setEntries({entry("A")});
    player.finish(true);
    EXPECT_EQ(markedRow(), -1);
    EXPECT_EQ(state.CurrentTrackId, "C");
    EXPECT_EQ(displayed.last(), "Title C");

    // A sequencer gone before the outcome is not called.
    {
        PlaylistSequencer shortLived(model, state, {{}, [this](const QString &t) { displayed.append(t); }});
        shortLived.setPlayer(&player);
        shortLived.startRow(0);
    }
    player.finish(true);
    EXPECT_EQ(displayed.size(), 2);
}

TEST_F(PlaylistSequencerTest, ThePlayerLearnsWhichEntryFollowsAsTheRowsChange)
{
    ASSERT_TRUE(sequencer.startRow(0));
    EXPECT_EQ(player.following, QByteArray("http://h/B.mp3"));
    // Moved, inserted and removed rows change what comes next.
    model.moveEntry(2, 0); // C before A: C, A, B
    EXPECT_EQ(player.following, QByteArray("http://h/B.mp3"));
    model.insertEntry(2, entry("D")); // C, A, D, B
    EXPECT_EQ(player.following, QByteArray("http://h/D.mp3"));
    model.removeEntry(2);
    EXPECT_EQ(player.following, QByteArray("http://h/B.mp3"));
    model.removeEntry(2); // A is last now
    EXPECT_EQ(player.following, QByteArray());
    model.insertEntry(-1, entry("E"));
    EXPECT_EQ(player.following, QByteArray("http://h/E.mp3"));
    // The playing entry gone: nothing follows it.
    model.removeEntry(1);
    EXPECT_EQ(player.following, QByteArray());
}

TEST_F(PlaylistSequencerTest, NothingIsAnnouncedAfterTheLastEntryOrWithoutAPlayer)
{
    ASSERT_TRUE(sequencer.startRow(2));
    EXPECT_EQ(player.following, QByteArray());
    sequencer.setPlayer(nullptr);
    player.following = "untouched";
    model.insertEntry(-1, entry("D"));
    EXPECT_EQ(player.following, QByteArray("untouched"));
}
