#include "FlowHarness.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "RatingFlow.h"
#include "ResultsModel.h"
#include "SearchFlow.h"
#include "TLoopbackServer.h"
#include "THTTPGet.h"
#include "Windows1250.h"

#include <gtest/gtest.h>

namespace {

const QString kFailure = QString::fromUtf8("Při dotazu na server došlo k chybě. ");
const QString kSearching = QString::fromUtf8("Hledám...");
const QString kFailed = QString::fromUtf8("Došlo k chybě");

QByteArray record(const QByteArray &name, const QByteArray &bitrate, const QByteArray &id,
                  const QByteArray &mayRate = "true")
{
    return "<mp3 jmeno=\"" + name + "\" interpret=\"Kab\xE1ty\" album=\"Po\xE8\xE1tek\" zanr=\"Rock\" cas=\"3:20\""
         " hodnoceni=\"3,5\" cislo=\"2\" bitrate=\"" + bitrate + "\" velikost=\"4,1 MB\" hodmuzu=\"" + mayRate
         + "\">" + id + "</mp3>\n";
}

QByteArray finder(const QByteArray &records)
{
    return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<reply data=\"finder\">\n" + records + "</reply>\n";
}

// One main window's worth of search and rating, pointed at a fake service.
struct Harness
{
    TLoopbackServer server;
    THTTPGet find;
    THTTPGet hod;
    ResultsModel model;
    MainState state;
    PromptRecorder prompts;
    QStringList statuses;
    SearchFlow search{find, model, state, prompts, [this](const QString &s) { statuses << s; }};
    RatingFlow rating{hod, model, state, prompts};

    Harness()
    {
        search.setServiceBase(server.Url("/"));
        rating.setServiceBase(server.Url("/"));
    }
    QString status() const { return statuses.isEmpty() ? QString() : statuses.last(); }
    bool idle() const { return !find.IsBusy() && !hod.IsBusy(); }
    bool settle() { return WaitUntil([this] { return idle(); }); }
    std::vector<QByteArray> column(int c) const
    {
        std::vector<QByteArray> out;
        for (int r = 0; r < model.count(); ++r)
            out.push_back(model.row(r).cells[static_cast<size_t>(c)]);
        return out;
    }
};

} // namespace

TEST(SearchFlow, FillsRowsInReplyOrderAndSendsTheTextEncoded)
{
    Harness h;
    h.server.SetReply({TLoopbackServer::Response(
        finder(record("Dynamit", "192", "11") + record("Pohoda", "64", "12") + record("\x8Ailhan", "128", "13")))});
    h.search.search(QString::fromUtf8("Kabáty & spol"));
    EXPECT_EQ(h.status(), kSearching);
    ASSERT_TRUE(h.settle());

    ASSERT_TRUE(h.server.WaitForRequests(1, 1000));
    EXPECT_EQ(h.server.Requests()[0].RequestLine, "GET /engine/finder.php?find=Kab%E1ty%20%26%20spol HTTP/1.0");
    EXPECT_EQ(h.column(0), (std::vector<QByteArray>{"Dynamit", "Pohoda", "\x8Ailhan"}));
    EXPECT_EQ(h.column(9), (std::vector<QByteArray>{"11", "12", "13"}));
    EXPECT_EQ(h.model.row(0).subItem(0), QByteArray("Kab\xE1ty"));
    EXPECT_EQ(h.status(), QStringLiteral("Nalezeno 3 MP3"));
    EXPECT_EQ(h.state.ResultCount, 3);
    EXPECT_EQ(h.state.SortColumn, -1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    // Sorting after a reply with rows: the first click sorts ascending, as text.
    h.search.sortByColumn(7);
    EXPECT_EQ(h.column(7), (std::vector<QByteArray>{"128", "192", "64"}));
    h.search.sortByColumn(7);
    EXPECT_EQ(h.column(7), (std::vector<QByteArray>{"64", "192", "128"}));
    EXPECT_EQ(h.model.headerMark(7), StatusMarks::SortDescending);

    // An empty box sends nothing and changes nothing.
    h.search.search(QString());
    EXPECT_EQ(h.model.count(), 3);
    EXPECT_EQ(h.server.ConnectionCount(), 1);
}

TEST(SearchFlow, EmptyReplyKeepsSortStateAndNowPlayingMarkHonoursThePlaylist)
{
    Harness h;
    h.state.SortColumn = 4;
    h.server.QueueReply({TLoopbackServer::Response(finder(""))});
    h.search.search(QStringLiteral("nic"));
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.status(), QStringLiteral("Nalezeno 0 MP3"));
    EXPECT_EQ(h.state.SortColumn, 4);

    h.state.CurrentTrackId = QStringLiteral("12");
    const QByteArray two = finder(record("A", "1", "11") + record("B", "2", "12"));
    h.server.QueueReply({TLoopbackServer::Response(two)});
    h.search.search(QStringLiteral("x"));
    ASSERT_TRUE(h.settle());
    ASSERT_EQ(h.model.count(), 2);
    EXPECT_FALSE(h.model.row(0).nowPlaying);
    EXPECT_TRUE(h.model.row(1).nowPlaying);

    h.state.PlayingFromPlaylist = true;
    h.server.QueueReply({TLoopbackServer::Response(two)});
    h.search.search(QStringLiteral("x"));
    ASSERT_TRUE(h.settle());
    EXPECT_FALSE(h.model.row(1).nowPlaying);
}

TEST(SearchFlow, FailuresWrongKindsAndBrokenBodies)
{
    Harness h;
    h.server.QueueReply({TLoopbackServer::Response(finder(record("A", "1", "1")))});
    h.search.search(QStringLiteral("a"));
    ASSERT_TRUE(h.settle());
    ASSERT_EQ(h.model.count(), 1);

    // The connection drops before any byte: message with its trailing space, then status.
    TLoopbackReply drop;
    drop.DropAfter = 0;
    h.server.QueueReply(drop);
    h.search.search(QStringLiteral("b"));
    EXPECT_EQ(h.model.count(), 0); // emptied when the search starts
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{kFailure});
    EXPECT_EQ(h.status(), kFailed);

    // A reply of another kind (data differs only in case) is ignored: "Hledám..." stays.
    h.prompts.shown.clear();
    h.server.QueueReply({TLoopbackServer::Response("<reply data=\"Finder\"><mp3>1</mp3></reply>")});
    h.search.search(QStringLiteral("c"));
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.status(), kSearching);
    EXPECT_EQ(h.model.count(), 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    // Not XML, and a reply cut short, end like a failed request.
    for (const QByteArray &body : {QByteArray("<html>Internal error"), finder(record("A", "1", "1")).left(60)}) {
        h.prompts.shown.clear();
        h.server.QueueReply({TLoopbackServer::Response(body)});
        h.search.search(QStringLiteral("d"));
        ASSERT_TRUE(h.settle());
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{kFailure}) << body.constData();
        EXPECT_EQ(h.status(), kFailed);
        EXPECT_EQ(h.model.count(), 0);
    }

    // The fetcher still takes the next search.
    h.server.QueueReply({TLoopbackServer::Response(finder(record("Z", "1", "9")))});
    h.search.search(QStringLiteral("e"));
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.model.count(), 1);
}

TEST(SearchFlow, SecondSearchWhileTheFirstStallsGoesOutAtOnceAndFillsTheList)
{
    Harness h;
    // The first search's server accepts and never answers; the product's own
    // timeouts stay in force, so only an immediate second request can pass.
    h.server.SetHandler([](const TLoopbackRequest &request) {
        if (request.RequestLine.contains("find=first"))
            return TLoopbackReply{TLoopbackServer::Response(finder(record("Old", "1", "1"))), 60000};
        return TLoopbackReply{TLoopbackServer::Response(finder(record("A", "1", "7") + record("B", "2", "8")))};
    });
    h.search.search(QStringLiteral("first"));
    ASSERT_TRUE(h.server.WaitForRequests(1, 5000));
    h.search.search(QStringLiteral("second"));
    ASSERT_TRUE(h.server.WaitForRequests(2, 5000));
    EXPECT_TRUE(h.server.Requests()[1].RequestLine.contains("find=second"));
    ASSERT_TRUE(WaitUntil([&] { return h.model.count() == 2; }, 5000));
    EXPECT_EQ(h.column(9), (std::vector<QByteArray>{"7", "8"}));

    // The abandoned first search reports nothing, neither message nor status.
    ProcessEventsFor(300);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.statuses, (QStringList{kSearching, kSearching, QStringLiteral("Nalezeno 2 MP3")}));
    EXPECT_TRUE(h.idle());
}

TEST(SearchFlow, ServerThatNeverAnswersEndsInTheFailureMessage)
{
    Harness h;
    h.find.StallTimeoutMs = 1000;
    h.server.SetReply({TLoopbackServer::Response(finder(record("A", "1", "1"))), 60000});
    h.search.search(QStringLiteral("ticho"));
    EXPECT_EQ(h.status(), kSearching);
    ASSERT_TRUE(WaitUntil([&] { return h.status() == kFailed; }, 15000));
    EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{kFailure});
    EXPECT_EQ(h.model.count(), 0);
    EXPECT_TRUE(h.idle());
}

TEST(SearchFlow, HugeReplyKeepsTheLoopRunningAndTheFetcherReusable)
{
    Harness h;
    QByteArray records;
    constexpr int kCount = 40000;
    for (int i = 0; i < kCount; ++i)
        records += record("Track " + QByteArray::number(i), "128", QByteArray::number(i));
    TLoopbackReply huge{TLoopbackServer::Response(finder(records))};
    huge.ChunkSize = 256 * 1024;
    huge.ChunkDelayMs = 20;
    h.server.QueueReply(huge);

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    h.search.search(QStringLiteral("all"));
    ASSERT_TRUE(WaitUntil([&] { return h.idle(); }, 60000));
    EXPECT_GT(ticks, 5); // the interface thread kept running while the body arrived
    EXPECT_EQ(h.model.count(), kCount);
    EXPECT_EQ(h.status(), QStringLiteral("Nalezeno %1 MP3").arg(kCount));

    h.server.QueueReply({TLoopbackServer::Response(finder(record("A", "1", "1")))});
    h.search.search(QStringLiteral("next"));
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.model.count(), 1);
}

TEST(RatingFlow, FourStarsUpdateTheRowAndEndItsRatingPermission)
{
    Harness h;
    h.server.QueueReply({TLoopbackServer::Response(finder(record("A", "1", "a 1") + record("B", "2", "77")))});
    h.search.search(QStringLiteral("x"));
    ASSERT_TRUE(h.settle());

    h.rating.rate(4, -1); // nothing selected: nothing sent
    EXPECT_FALSE(h.hod.IsBusy());

    h.server.QueueReply({TLoopbackServer::Response("<r data=\"hodnot\"><h>4,2</h></r>")});
    h.rating.rate(4, 1);
    ASSERT_TRUE(h.settle());
    ASSERT_EQ(h.server.Requests().size(), 2u);
    EXPECT_EQ(h.server.Requests()[1].RequestLine, "GET /engine/hodnot.php?body=4&id=77 HTTP/1.0");
    EXPECT_EQ(h.state.RatedRow, 1);
    EXPECT_EQ(h.model.row(1).subItem(ResultRow::kSubRating), QByteArray("4,2"));
    EXPECT_EQ(h.model.row(1).subItem(ResultRow::kSubRatingPermission), QByteArray("false"));
    EXPECT_FALSE(h.model.row(1).mayRate());
    EXPECT_TRUE(h.model.row(0).mayRate());

    // A track ID with a space goes out encoded.
    h.server.QueueReply({TLoopbackServer::Response("<r data=\"hodnot\"><h>5</h></r>")});
    h.rating.rate(1, 0);
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.server.Requests()[2].RequestLine, "GET /engine/hodnot.php?body=1&id=a%201 HTTP/1.0");
}

TEST(RatingFlow, FailuresWrongKindAndAReplyAfterTheListWasEmptied)
{
    Harness h;
    h.server.QueueReply({TLoopbackServer::Response(finder(record("A", "1", "1")))});
    h.search.search(QStringLiteral("x"));
    ASSERT_TRUE(h.settle());

    TLoopbackReply drop;
    drop.DropAfter = 0;
    h.server.QueueReply(drop);
    h.rating.rate(3, 0);
    ASSERT_TRUE(h.settle());
    EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{kFailure});
    EXPECT_TRUE(h.model.row(0).mayRate()); // can be rated again

    h.prompts.shown.clear();
    h.server.QueueReply({TLoopbackServer::Response("<r data=\"finder\"><h>5</h></r>")});
    h.rating.rate(3, 0);
    ASSERT_TRUE(h.settle());
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.model.row(0).subItem(ResultRow::kSubRating), QByteArray("3,5"));
    EXPECT_TRUE(h.model.row(0).mayRate());

    // The rating reply is held back until a new search has emptied the list.
    TLoopbackReply late{TLoopbackServer::Response("<r data=\"hodnot\"><h>5</h></r>")};
    late.DelayMs = 300;
    h.server.QueueReply(late);
    TLoopbackReply stall{TLoopbackServer::Response(finder(record("A", "1", "1")))};
    stall.DelayMs = 5000;
    h.server.QueueReply(stall);
    h.rating.rate(5, 0);
    ASSERT_TRUE(h.server.WaitForRequests(4, 5000));
    h.search.search(QStringLiteral("y"));
    ASSERT_EQ(h.model.count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return !h.hod.IsBusy(); }));
    EXPECT_EQ(h.model.count(), 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    h.find.Abort();
    ASSERT_TRUE(h.settle());
}
