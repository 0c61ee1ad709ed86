#include "DownloadOrder.h"
#include "FileDialogOptions.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "THTTPGet.h"
#include "TrackActions.h"
#include "TrackPlayer.h"
#include "TrackPlaylistRows.h"
#include "TrackResultsRows.h"
#include "TrackTitles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

#include <vector>

namespace {

using Kind = PromptRecorder::Kind;

const QString kFailure = QString::fromUtf8("Při dotazu na server došlo k chybě. ");
const QString kOverwrite = QString::fromUtf8("Soubor se stejným názvem již existuje. Přepsat?");

struct FakeResults : TrackResultsRows
{
    std::vector<QByteArray> ids;
    std::vector<bool> marks;
    std::optional<int> selected;

    std::optional<QByteArray> selectedTrackId() const override
    {
        if (!selected)
            return std::nullopt;
        return ids[static_cast<size_t>(*selected)];
    }
    int rowCount() const override { return static_cast<int>(ids.size()); }
    QByteArray trackId(int row) const override { return ids[static_cast<size_t>(row)]; }
    void setNowPlaying(int row, bool on) override { marks[static_cast<size_t>(row)] = on; }
};

struct FakePlaylist : TrackPlaylistRows
{
    std::vector<Entry> rows;
    int markClears = 0;

    int rowCount() const override { return static_cast<int>(rows.size()); }
    void insertEntry(int index, const Entry &entry) override
    {
        ASSERT_GE(index, 0);
        ASSERT_LE(index, rowCount());
        rows.insert(rows.begin() + index, entry);
    }
    void clearMarks() override { ++markClears; }
    std::vector<QByteArray> titles() const
    {
        std::vector<QByteArray> out;
        for (const Entry &e : rows)
            out.push_back(e.title);
        return out;
    }
};

struct FakePlayer : TrackPlayer
{
    bool succeed = true;
    std::vector<QByteArray> opened;
    bool deferred = false;
    OpenDone waiting;
    void open(const QByteArray &url, OpenDone done) override
    {
        opened.push_back(url);
        if (deferred)
            waiting = std::move(done);
        else
            done(succeed);
    }
};

// One main window's track actions, with doubles for the lists, the engine,
// the panel and the download windows. The fetcher is never started here.
struct Harness
{
    THTTPGet fetcher;
    MainState state;
    PromptRecorder prompts;
    FileDialogOptions svd_mp3;
    FakeResults results;
    FakePlaylist playlist;
    FakePlayer player;
    QStringList displayed;
    std::vector<DownloadOrder> downloads;
    TrackActions actions{{fetcher, state, prompts, svd_mp3, results, playlist,
                          [this](const QString &title) { displayed << title; },
                          [this](const DownloadOrder &order) { downloads.push_back(order); }}};

    Harness()
    {
        svd_mp3.title = QString::fromUtf8("Uložit MP3");
        actions.setPlayer(&player);
    }
    void reply(const QByteArray &body) { emit fetcher.OnDoneString(body); }
};

QByteArray trackReply(const QByteArray &action, const QByteArray &record, const QByteArray &rootExtra = {})
{
    return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<reply data=\"getmp3\" action=\"" + action + "\""
         + rootExtra + ">\n  " + record + "\n</reply>\n";
}

QByteArray record(const QByteArray &artist, const QByteArray &name, const QByteArray &album,
                  const QByteArray &url, const QByteArray &extra = {})
{
    return "<mp3 interpret=\"" + artist + "\" jmeno=\"" + name + "\" album=\"" + album + "\"" + extra + ">" + url
         + "</mp3>";
}

} // namespace

// ---- Play ----

TEST(TrackActionsPlay, OpensTheStreamMovesTheIdsAndStartsTheDisplay)
{
    Harness h;
    h.results.ids = {"a1", "b2", "c3"};
    h.results.marks = {true, false, false};
    h.state.CurrentTrackId = "a1";
    h.state.RequestedTrackId = "c3";
    h.state.PlayingFromPlaylist = true;

    h.reply(trackReply("play", record("Kab\xE1ty", "Po\xE8\xE1tek", "Album", "http://x/s/c3.mp3")));

    ASSERT_EQ(h.player.opened, std::vector<QByteArray>{"http://x/s/c3.mp3"});
    EXPECT_FALSE(h.state.PlayingFromPlaylist);
    EXPECT_EQ(h.state.PreviousTrackId, "a1");
    EXPECT_EQ(h.state.CurrentTrackId, "c3");
    EXPECT_EQ(h.displayed, QStringList{QString::fromUtf8("Kabáty - Počátek Album")});
    EXPECT_EQ(h.results.marks, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(h.playlist.markClears, 1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST(TrackActionsPlay, LedTitleSpaceRules)
{
    struct Case { QByteArray artist, name, album; QString title; };
    const Case cases[] = {
        {"", "Song", "", QStringLiteral("Song ")},          // the album's space stays
        {"A", "Song", "", QStringLiteral("A - Song ")},
        {"", "Song", "C", QStringLiteral("Song C")},        // no dash without an artist
        {"A", "B", "C", QStringLiteral("A - B C")},
    };
    for (const Case &c : cases) {
        Harness h;
        h.reply(trackReply("play", record(c.artist, c.name, c.album, "u")));
        EXPECT_EQ(h.displayed, QStringList{c.title}) << c.artist.constData() << "|" << c.album.constData();
    }
}

TEST(TrackActionsPlay, ReplayingTheSameTrackKeepsItsMarkOnEveryRowOfIt)
{
    Harness h;
    h.results.ids = {"x", "y", "x"};
    h.results.marks = {true, false, true};
    h.state.CurrentTrackId = "x";
    h.state.RequestedTrackId = "x";

    h.reply(trackReply("play", record("", "Song", "", "u")));

    EXPECT_EQ(h.state.PreviousTrackId, "x");
    EXPECT_EQ(h.state.CurrentTrackId, "x");
    EXPECT_EQ(h.results.marks, (std::vector<bool>{true, false, true}));
}

TEST(TrackActionsPlay, AFailedOpenChangesNothing)
{
    Harness h;
    h.player.succeed = false;
    h.results.ids = {"a1", "b2"};
    h.results.marks = {true, false};
    h.state.CurrentTrackId = "a1";
    h.state.PreviousTrackId = "z";
    h.state.RequestedTrackId = "b2";
    h.state.PlayingFromPlaylist = true;

    h.reply(trackReply("play", record("A", "B", "C", "http://x/b2.mp3")));

    EXPECT_EQ(h.player.opened.size(), 1u);
    EXPECT_EQ(h.state.CurrentTrackId, "a1");
    EXPECT_EQ(h.state.PreviousTrackId, "z");
    EXPECT_TRUE(h.state.PlayingFromPlaylist);
    EXPECT_TRUE(h.displayed.isEmpty());
    EXPECT_EQ(h.results.marks, (std::vector<bool>{true, false}));
    EXPECT_EQ(h.playlist.markClears, 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty()); // the engine reports its own failure
}

TEST(TrackActionsPlay, NothingChangesUntilTheStreamIsReady)
{
    Harness h;
    h.player.deferred = true;
    h.results.ids = {"a1", "b2"};
    h.results.marks = {true, false};
    h.state.CurrentTrackId = "a1";
    h.state.RequestedTrackId = "b2";
    h.reply(trackReply("play", record("A", "B", "C", "http://x/b2.mp3")));
    ASSERT_TRUE(h.player.waiting);
    EXPECT_EQ(h.state.CurrentTrackId, "a1");
    EXPECT_TRUE(h.displayed.isEmpty());

    // The ID the reply answered counts, even if a playlist start wrote another meanwhile.
    h.state.RequestedTrackId = "p9";
    std::exchange(h.player.waiting, nullptr)(true);
    EXPECT_EQ(h.state.CurrentTrackId, "b2");
    EXPECT_EQ(h.state.PreviousTrackId, "a1");
    EXPECT_EQ(h.results.marks, (std::vector<bool>{false, true}));
    EXPECT_EQ(h.displayed.size(), 1);

    // A flow destroyed before the outcome is never called.
    TrackPlayer::OpenDone late;
    {
        Harness gone;
        gone.player.deferred = true;
        gone.reply(trackReply("play", record("A", "B", "C", "http://x/b2.mp3")));
        late = std::exchange(gone.player.waiting, nullptr);
    }
    late(true);
}

TEST(TrackActionsPlay, WithoutAnEngineNothingStarts)
{
    Harness h;
    h.actions.setPlayer(nullptr);
    h.state.CurrentTrackId = "a1";
    h.state.RequestedTrackId = "b2";
    h.reply(trackReply("play", record("A", "B", "C", "u")));
    EXPECT_EQ(h.state.CurrentTrackId, "a1");
    EXPECT_TRUE(h.displayed.isEmpty());
}

// ---- Download ----

TEST(TrackActionsDownload, ChosenNameGetsMp3AndTheWindowGetsItsFourInputs)
{
    Harness h;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    h.prompts.fileNames.enqueue(dir.filePath("song.wav"));

    h.reply(trackReply("down", record("", "Song", "", "http://x/f/Song.mp3")));

    EXPECT_EQ(h.prompts.texts(Kind::SaveFile), QStringList{QString::fromUtf8("Uložit MP3")});
    EXPECT_TRUE(h.prompts.texts(Kind::Confirm).isEmpty());
    ASSERT_EQ(h.downloads.size(), 1u);
    EXPECT_EQ(h.downloads[0].url, "http://x/f/Song.mp3");
    EXPECT_EQ(h.downloads[0].file, dir.filePath("song.mp3"));
    EXPECT_EQ(h.downloads[0].title, "Song - ");   // the separator even without an artist
    EXPECT_EQ(h.downloads[0].fullTitle, "Song -  ");
    // The dialog keeps the name as chosen; its folder is what the window stores.
    EXPECT_EQ(h.svd_mp3.fileName, dir.filePath("song.wav"));
}

TEST(TrackActionsDownload, TitlesDecodeTheReplysBytes)
{
    Harness h;
    h.prompts.fileNames.enqueue(QDir::tempPath() + "/no-such-folder-x9/a");
    h.reply(trackReply("down", record("Kab\xE1ty", "Po\xE8\xE1tek", "\x8Eivot", "u")));
    ASSERT_EQ(h.downloads.size(), 1u);
    EXPECT_EQ(h.downloads[0].title, QString::fromUtf8("Počátek - Kabáty"));
    EXPECT_EQ(h.downloads[0].fullTitle, QString::fromUtf8("Počátek - Kabáty Život"));
    EXPECT_EQ(h.downloads[0].file, QDir::tempPath() + "/no-such-folder-x9/a.mp3");
}

TEST(TrackActionsDownload, AnExistingTargetAsksAndOnlyYesProceeds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile existing(dir.filePath("song.mp3"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    for (const bool yes : {false, true}) {
        Harness h;
        h.prompts.fileNames.enqueue(dir.filePath("song.wav")); // asked about song.mp3 all the same
        h.prompts.answers.enqueue(yes);
        h.reply(trackReply("down", record("A", "B", "C", "u")));
        EXPECT_EQ(h.prompts.texts(Kind::Confirm), QStringList{kOverwrite});
        EXPECT_EQ(h.downloads.size(), yes ? 1u : 0u);
    }
}

TEST(TrackActionsDownload, CancellingTheDialogStopsQuietly)
{
    Harness h;
    h.reply(trackReply("down", record("A", "B", "C", "u")));
    EXPECT_EQ(h.prompts.texts(Kind::SaveFile).size(), 1);
    EXPECT_EQ(h.prompts.shown.size(), 1);
    EXPECT_TRUE(h.downloads.empty());
}

TEST(TrackActionsDownload, EveryReplyOpensItsOwnWindow)
{
    Harness h;
    h.prompts.fileNames.enqueue(QDir::tempPath() + "/nx-a/1");
    h.prompts.fileNames.enqueue(QDir::tempPath() + "/nx-a/2");
    h.reply(trackReply("down", record("A", "B", "C", "u1")));
    h.reply(trackReply("down", record("A", "B", "C", "u2")));
    ASSERT_EQ(h.downloads.size(), 2u);
    EXPECT_EQ(h.downloads[1].url, "u2");
    EXPECT_EQ(h.downloads[1].file, QDir::tempPath() + "/nx-a/2.mp3");
}

TEST(TrackTitlesMp3Target, ReplacesOnlyTheLastComponentsExtension)
{
    EXPECT_EQ(TrackTitles::mp3Target("/m/song.wav"), "/m/song.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m/song"), "/m/song.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m/song.mp3"), "/m/song.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m/a.tar.gz"), "/m/a.tar.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m/song."), "/m/song.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m.d/song"), "/m.d/song.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("/m/.hidden"), "/m/.hidden.mp3");
    EXPECT_EQ(TrackTitles::mp3Target("song.WAV"), "song.mp3");
}

// ---- Add ----

TEST(TrackActionsAdd, AppendsWithoutAPositionAndTitlesHaveNoStraySpaces)
{
    Harness h;
    h.reply(trackReply("add", record("", "Song", "", "http://x/s/1.mp3", " cas=\"3:20\" id=\"t1\"")));
    h.reply(trackReply("add", record("A", "B", "C", "u2", " cas=\"1:00\" id=\"t2\"")));
    h.reply(trackReply("add", record("A", "B", "", "u3")));
    h.reply(trackReply("add", record("", "B", "C", "u4")));

    ASSERT_EQ(h.playlist.titles(), (std::vector<QByteArray>{"Song", "A - B C", "A - B", "B C"}));
    const TrackPlaylistRows::Entry &first = h.playlist.rows[0];
    EXPECT_EQ(first.length, "3:20");
    EXPECT_EQ(first.url, "http://x/s/1.mp3");
    EXPECT_EQ(first.trackId, "t1");
    // Adding neither plays nor marks anything.
    EXPECT_EQ(h.playlist.markClears, 0);
    EXPECT_TRUE(h.player.opened.empty());
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST(TrackActionsAdd, KamInsertsBeforeThatEntryAndPastTheEndAppends)
{
    Harness h;
    h.reply(trackReply("add", record("", "one", "", "u")));
    h.reply(trackReply("add", record("", "two", "", "u")));
    h.reply(trackReply("add", record("", "top", "", "u"), " kam=\"0\""));
    EXPECT_EQ(h.playlist.titles(), (std::vector<QByteArray>{"top", "one", "two"}));
    h.reply(trackReply("add", record("", "second", "", "u"), " kam=\"1\""));
    h.reply(trackReply("add", record("", "end", "", "u"), " kam=\"4\""));
    h.reply(trackReply("add", record("", "far", "", "u"), " kam=\"99\""));
    h.reply(trackReply("add", record("", "empty", "", "u"), " kam=\"\""));
    EXPECT_EQ(h.playlist.titles(),
              (std::vector<QByteArray>{"top", "second", "one", "two", "end", "far", "empty"}));
}

// ---- Replies of another kind, failures ----

TEST(TrackActionsReply, OtherKindsAndActionsAreIgnoredWithoutAMessage)
{
    Harness h;
    h.state.RequestedTrackId = "r";
    h.prompts.fileNames.enqueue(QDir::tempPath() + "/nx-b/x");
    const QByteArray rec = record("A", "B", "C", "u");
    h.reply("<reply data=\"finder\" action=\"play\">" + rec + "</reply>");
    h.reply("<reply data=\"GETMP3\" action=\"play\">" + rec + "</reply>");
    h.reply(trackReply("Play", rec));
    h.reply(trackReply("stream", rec));
    h.reply(trackReply("", rec));
    EXPECT_TRUE(h.player.opened.empty());
    EXPECT_TRUE(h.playlist.rows.empty());
    EXPECT_TRUE(h.downloads.empty());
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_TRUE(h.state.CurrentTrackId.isEmpty());
}

TEST(TrackActionsReply, FailureAndUnreadableRepliesShowTheOneMessage)
{
    Harness h;
    emit h.fetcher.OnError();
    h.reply("<reply data=\"getmp3\" action=\"play\"");         // not well-formed
    h.reply("<reply data=\"getmp3\" action=\"add\"></reply>"); // no record
    h.reply(trackReply("add", record("", "x", "", "u"), " kam=\"druhy\""));
    h.reply(trackReply("add", record("", "x", "", "u"), " kam=\"-1\""));
    const QStringList expected(5, kFailure);
    EXPECT_EQ(h.prompts.texts(Kind::Message), expected);
    EXPECT_EQ(h.prompts.shown.size(), 5);
    EXPECT_TRUE(h.playlist.rows.empty());
    EXPECT_EQ(TrackActions::failureText(), kFailure);
    EXPECT_TRUE(kFailure.endsWith(u' '));
}

TEST(TrackActionsCommands, NothingIsSentWithoutASelectedRow)
{
    Harness h;
    h.results.ids = {"a"};
    h.results.marks = {false};
    h.state.RequestedTrackId = "before";
    h.actions.playSelected();
    h.actions.downloadSelected();
    h.actions.addSelected();
    EXPECT_TRUE(h.fetcher.URL.isEmpty());
    EXPECT_FALSE(h.fetcher.IsBusy());
    EXPECT_EQ(h.state.RequestedTrackId, "before");
}

TEST(TrackActionsLifetime, HandlersAreReleasedWithTheFlow)
{
    THTTPGet fetcher;
    MainState state;
    PromptRecorder prompts;
    FileDialogOptions dialog;
    FakeResults results;
    FakePlaylist playlist;
    {
        TrackActions actions({fetcher, state, prompts, dialog, results, playlist, {}, {}});
        emit fetcher.OnError();
        EXPECT_EQ(prompts.shown.size(), 1);
    }
    // A gone flow hears nothing (ASan reports any call into it).
    emit fetcher.OnError();
    emit fetcher.OnDoneString(trackReply("add", record("", "x", "", "u")));
    EXPECT_EQ(prompts.shown.size(), 1);
}
