#include "DownloadOrder.h"
#include "FileDialogOptions.h"
#include "FlowHarness.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "ResultsTrackRows.h"
#include "ServiceRequests.h"
#include "TLoopbackServer.h"
#include "THTTPGet.h"
#include "TrackActions.h"
#include "TrackPlayer.h"
#include "TrackPlaylistRows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kFailure = QString::fromUtf8("Při dotazu na server došlo k chybě. ");

struct ListPlaylist : TrackPlaylistRows
{
    std::vector<Entry> rows;
    int rowCount() const override { return static_cast<int>(rows.size()); }
    void insertEntry(int index, const Entry &entry) override { rows.insert(rows.begin() + index, entry); }
    void clearMarks() override {}
};

struct RecordingPlayer : TrackPlayer
{
    std::vector<QByteArray> opened;
    void open(const QByteArray &url, OpenDone done) override
    {
        opened.push_back(url);
        done(true);
    }
};

QByteArray row(const QByteArray &name, const QByteArray &id)
{
    return "<mp3 jmeno=\"" + name + "\">" + id + "</mp3>";
}

QByteArray reply(const QByteArray &action, const QByteArray &url, const QByteArray &rootExtra = {})
{
    return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<r data=\"getmp3\" action=\"" + action + "\"" + rootExtra
         + ">\n<mp3 interpret=\"A\" jmeno=\"B\" album=\"C\" cas=\"2:00\" id=\"t9\">" + url + "</mp3>\n</r>\n";
}

// The main window's track fetcher and the real results list, pointed at a fake service.
struct Harness
{
    TLoopbackServer server;
    THTTPGet get;
    MainState state;
    PromptRecorder prompts;
    FileDialogOptions svd_mp3;
    ResultsModel model;
    int selected = -1;
    ResultsTrackRows results{model, [this] { return selected; }};
    ListPlaylist playlist;
    RecordingPlayer player;
    QStringList displayed;
    std::vector<DownloadOrder> downloads;
    TrackActions actions{{get, state, prompts, svd_mp3, results, playlist,
                          [this](const QString &t) { displayed << t; },
                          [this](const DownloadOrder &o) { downloads.push_back(o); }}};

    Harness()
    {
        actions.setServiceBase(server.Url("/"));
        actions.setPlayer(&player);
        std::vector<ResultRow> rows;
        for (const QByteArray &id : {QByteArray("a 1"), QByteArray("b&2"), QByteArray("\xE8" "3")}) {
            ResultRow r;
            r.cells[0] = "Song " + id;
            r.subItem(ResultRow::kSubTrackId) = id;
            rows.push_back(r);
        }
        model.appendRows(std::move(rows));
    }
    bool settle() { return WaitUntil([this] { return !get.IsBusy(); }); }
    TLoopbackRequest request(int i) const { return server.Requests()[static_cast<size_t>(i)]; }
};

} // namespace

TEST(TrackActionsWire, RequestsCarryTheSelectedIdAndOnlyPlaySetsTheRequestedTrack)
{
    Harness h;
    h.server.SetReply({TLoopbackServer::Response("<r data=\"nothing\"/>")});
    h.state.RequestedTrackId = "old";

    h.selected = 1;
    h.actions.downloadSelected();
    EXPECT_EQ(h.state.RequestedTrackId, "old");
    ASSERT_TRUE(h.settle());
    h.actions.addSelected();
    EXPECT_EQ(h.state.RequestedTrackId, "old");
    ASSERT_TRUE(h.settle());
    h.actions.add("x y", 2); // a result dropped onto the third playlist entry
    ASSERT_TRUE(h.settle());
    h.actions.download("pl 7"); // the playlist's download command
    ASSERT_TRUE(h.settle());
    h.selected = 0;
    h.actions.playSelected();
    EXPECT_EQ(h.state.RequestedTrackId, "a 1"); // before the request went out
    ASSERT_TRUE(h.settle());

    ASSERT_TRUE(h.server.WaitForRequests(5, 2000));
    EXPECT_EQ(h.request(0).RequestLine, "GET /engine/getmp3.php?act=down&id=b%262 HTTP/1.0");
    EXPECT_EQ(h.request(1).RequestLine, "GET /engine/getmp3.php?act=add&id=b%262 HTTP/1.0");
    EXPECT_EQ(h.request(2).RequestLine, "GET /engine/getmp3.php?act=add&id=x%20y&kam=2 HTTP/1.0");
    EXPECT_EQ(h.request(3).RequestLine, "GET /engine/getmp3.php?act=down&id=pl%207 HTTP/1.0");
    EXPECT_EQ(h.request(4).RequestLine, "GET /engine/getmp3.php?act=play&id=a%201 HTTP/1.0");
    EXPECT_TRUE(h.request(4).Body.isEmpty());
    // Replies of another kind: no message, nothing played.
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_TRUE(h.player.opened.empty());

    // Once the update check has given a client ID, the same requests are POSTs.
    h.get.PostQuery = ServiceRequests::ClientIdBody(12345);
    h.selected = 2;
    h.actions.playSelected();
    EXPECT_EQ(h.state.RequestedTrackId, QString::fromUtf8("č3"));
    ASSERT_TRUE(h.settle());
    ASSERT_TRUE(h.server.WaitForRequests(6, 2000));
    EXPECT_EQ(h.request(5).RequestLine, "POST /engine/getmp3.php?act=play&id=%E83 HTTP/1.0");
    EXPECT_EQ(h.request(5).Body, "KID=12345");
    EXPECT_EQ(h.request(5).Header("Content-Type"), "application/x-www-form-urlencoded");

    // No selection: nothing is sent.
    h.selected = -1;
    h.actions.playSelected();
    h.actions.downloadSelected();
    h.actions.addSelected();
    ProcessEventsFor(100);
    EXPECT_EQ(h.server.ConnectionCount(), 6);
}

TEST(TrackActionsWire, PlayReplyOpensTheStreamAndMovesTheMarkInTheResultsList)
{
    Harness h;
    h.server.QueueReply({TLoopbackServer::Response(reply("play", "http://s/a1.mp3"))});
    h.server.QueueReply({TLoopbackServer::Response(reply("play", "http://s/b2.mp3"))});
    h.selected = 0;
    h.actions.playSelected();
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.player.opened, std::vector<QByteArray>{"http://s/a1.mp3"});
    EXPECT_EQ(h.state.CurrentTrackId, "a 1");
    EXPECT_TRUE(h.model.row(0).nowPlaying);
    EXPECT_EQ(h.displayed, QStringList{"A - B C"});

    h.selected = 1;
    h.actions.playSelected();
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.state.PreviousTrackId, "a 1");
    EXPECT_EQ(h.state.CurrentTrackId, QStringLiteral("b&2"));
    EXPECT_FALSE(h.model.row(0).nowPlaying);
    EXPECT_TRUE(h.model.row(1).nowPlaying);
}

TEST(TrackActionsWire, APlayReplyArrivingAfterAPlaylistStartNamesItsOwnTrack)
{
    Harness h;
    TLoopbackReply slow{TLoopbackServer::Response(reply("play", "http://s/a1.mp3"))};
    slow.DelayMs = 300;
    h.server.QueueReply(slow);
    h.selected = 0;
    h.actions.playSelected();
    // Meanwhile the user starts a playlist entry, which moves the IDs on.
    h.state.RequestedTrackId = "pl";
    h.state.PreviousTrackId = h.state.CurrentTrackId;
    h.state.CurrentTrackId = "pl";
    h.state.PlayingFromPlaylist = true;
    ASSERT_TRUE(h.settle());

    EXPECT_EQ(h.state.CurrentTrackId, "a 1"); // the stream that now plays
    EXPECT_EQ(h.state.PreviousTrackId, "pl");
    EXPECT_FALSE(h.state.PlayingFromPlaylist);
    EXPECT_TRUE(h.model.row(0).nowPlaying);
}

TEST(TrackActionsWire, AddRepliesFillThePlaylistAndFailuresShowTheMessage)
{
    Harness h;
    h.server.QueueReply({TLoopbackServer::Response(reply("add", "http://s/1.mp3"))});
    h.server.QueueReply({TLoopbackServer::Response(reply("add", "http://s/2.mp3", " kam=\"0\""))});
    h.selected = 0;
    h.actions.addSelected();
    ASSERT_TRUE(h.settle());
    h.actions.add("a 1", 0);
    ASSERT_TRUE(h.settle());
    ASSERT_EQ(h.playlist.rows.size(), 2u);
    EXPECT_EQ(h.playlist.rows[0].url, "http://s/2.mp3");
    EXPECT_EQ(h.playlist.rows[1].title, "A - B C");
    EXPECT_EQ(h.playlist.rows[1].length, "2:00");
    EXPECT_EQ(h.playlist.rows[1].trackId, "t9");

    // A dropped connection: the one message, nothing else changes.
    TLoopbackReply drop;
    drop.DropAfter = 0;
    h.server.QueueReply(drop);
    h.actions.addSelected();
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{kFailure});
    EXPECT_EQ(h.playlist.rows.size(), 2u);
}

TEST(TrackActionsWire, APlayCommandWhileAnotherStallsIsSentAtOnceAndPlays)
{
    Harness h;
    // The first request's server never answers; the second is answered.
    h.server.SetHandler([](const TLoopbackRequest &request) {
        if (request.RequestLine.contains("id=a%201"))
            return TLoopbackReply{TLoopbackServer::Response(reply("play", "http://s/old.mp3")), 60000};
        return TLoopbackReply{TLoopbackServer::Response(reply("play", "http://s/new.mp3"))};
    });
    h.selected = 0;
    h.actions.playSelected();
    ASSERT_TRUE(h.server.WaitForRequests(1, 2000));
    h.selected = 1;
    h.actions.playSelected();
    ASSERT_TRUE(h.server.WaitForRequests(2, 5000));
    EXPECT_TRUE(h.request(1).RequestLine.contains("id=b%262"));
    ASSERT_TRUE(WaitUntil([&] { return !h.player.opened.empty(); }, 5000));
    ProcessEventsFor(200);
    EXPECT_EQ(h.player.opened, (std::vector<QByteArray>{"http://s/new.mp3"}));
    EXPECT_EQ(h.state.CurrentTrackId, QStringLiteral("b&2"));
    // The abandoned request shows no message.
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_TRUE(h.settle());
}
