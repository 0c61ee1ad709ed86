#include "WaitUntil.h"
#include "THTTPGet.h"
#include "THTTPWorkerPool.h"
#include "TLoopbackServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

void ProcessEventsFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}

// Every event of one component, in arrival order.
struct TEvents
{
    enum TKind { Progress, DoneFile, DoneString, Error };
    struct TEvent
    {
        TKind Kind;
        QByteArray Text; // result or file name
        int A = 0;       // total size or file size
        int B = 0;       // bytes read
    };
    std::vector<TEvent> List;
    std::vector<QMetaObject::Connection> Connections;
    // Follows one request only: lets go once its outcome has arrived.
    bool DetachAtFinal = false;

    ~TEvents() { Detach(); }
    // Listens to one component only; attaching again does not double the events.
    void Attach(THTTPGet &get)
    {
        Detach();
        Connections = {
            QObject::connect(&get, &THTTPGet::OnProgress, &get,
                             [this](int total, int readed) { List.push_back({Progress, {}, total, readed}); }),
            QObject::connect(&get, &THTTPGet::OnDoneFile, &get,
                             [this](const QString &name, int size) { Final({DoneFile, name.toUtf8(), size}); }),
            QObject::connect(&get, &THTTPGet::OnDoneString, &get,
                             [this](const QByteArray &result) { Final({DoneString, result}); }),
            QObject::connect(&get, &THTTPGet::OnError, &get, [this] { Final({Error, {}}); }),
        };
    }
    void Final(TEvent event)
    {
        List.push_back(std::move(event));
        if (DetachAtFinal)
            Detach();
    }
    void Detach()
    {
        for (const QMetaObject::Connection &c : Connections)
            QObject::disconnect(c);
        Connections.clear();
    }
    int Finals() const
    {
        int n = 0;
        for (const TEvent &e : List)
            n += e.Kind != Progress;
        return n;
    }
    const TEvent &Last() const { return List.back(); }
    bool WaitFinal(int count = 1, int timeoutMs = 10000) const
    {
        return WaitUntil([&] { return Finals() >= count; }, timeoutMs);
    }
};

class THTTPGetTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { THTTPGet::GlobalInit(); }

    void SetUp() override
    {
        get.Agent = "Sonaro Client";
        events.Attach(get);
        ASSERT_TRUE(dir.isValid());
    }

    // No worker may outlive a test, or its late event would land in the next one.
    void TearDown() override
    {
        EXPECT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }));
    }

    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    TLoopbackServer server;
    THTTPGet get;
    TEvents events;
    QTemporaryDir dir;
};

QByteArray Zeros(int n, char c = 'x')
{
    return QByteArray(n, c);
}

// "/slow" gets its head and 2 of its 10 bytes, then silence; any other
// path is answered with itself.
TLoopbackReply SlowOrPath(const TLoopbackRequest &request)
{
    const QByteArray path = request.RequestLine.split(' ').value(1);
    if (path == "/slow") {
        TLoopbackReply partial{"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nab"};
        partial.StallAfter = partial.Bytes.size();
        return partial;
    }
    return TLoopbackReply{TLoopbackServer::Response(path)};
}

} // namespace

TEST_F(THTTPGetTest, GetAndPostGoOnTheWireByteForByte)
{
    server.SetReply({TLoopbackServer::Response("ok")});
    const QByteArray host = server.Host();

    get.URL = server.Url("/find.php?find=a b\xE1&x=%41");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    get.UseCache = true;
    get.PostQuery = "KID=42";
    get.URL = server.Url("/rate.php?id=7");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(2));
    // Empty agent and accept list; line breaks in a value cannot add a header.
    get.PostQuery.clear();
    get.Agent.clear();
    get.AcceptTypes = "text/xml\r\nX-Injected: 1";
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(3));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Raw, "GET /find.php?find=a%20b%E1&x=%41 HTTP/1.0\r\n"
                               "Host: " + host + "\r\n"
                               "User-Agent: Sonaro Client\r\n"
                               "Accept: */*\r\n"
                               "Cache-Control: no-cache\r\n"
                               "Pragma: no-cache\r\n"
                               "\r\n");
    EXPECT_EQ(requests[1].Raw, "POST /rate.php?id=7 HTTP/1.0\r\n"
                               "Host: " + host + "\r\n"
                               "User-Agent: Sonaro Client\r\n"
                               "Accept: */*\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n"
                               "Content-Length: 6\r\n"
                               "\r\n"
                               "KID=42");
    EXPECT_EQ(requests[2].Raw, "GET /rate.php?id=7 HTTP/1.0\r\n"
                               "Host: " + host + "\r\n"
                               "Accept: text/xmlX-Injected: 1\r\n"
                               "\r\n");
}

TEST_F(THTTPGetTest, StringModeDeliversTheWholeBodyOfAnyStatus)
{
    server.QueueReply({TLoopbackServer::Response("abc")});
    server.QueueReply({TLoopbackServer::Response("<html>missing</html>", true, "404 Not Found")});
    // Without a length the body runs to the end of the connection, in pieces.
    server.QueueReply({TLoopbackServer::Response("x" + Zeros(5000) + "y", false), 0, 700, 1});
    get.URL = server.Url("/a");

    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneString);
    EXPECT_EQ(events.Last().Text, "abc");

    get.GetString();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneString);
    EXPECT_EQ(events.Last().Text, "<html>missing</html>");

    get.GetString();
    ASSERT_TRUE(events.WaitFinal(3));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneString);
    EXPECT_EQ(events.Last().Text, "x" + Zeros(5000) + "y");
    EXPECT_EQ(events.Finals(), 3);
}

TEST_F(THTTPGetTest, StringModeFailsOnEmptyOrCutShortBody)
{
    server.QueueReply({TLoopbackServer::Response("")});
    server.QueueReply({TLoopbackServer::Response("", false)});
    // Announces 1000 bytes, breaks after 600 of them.
    const QByteArray full = TLoopbackServer::Response(Zeros(1000));
    server.QueueReply({full, 0, 0, 0, full.size() - 400});
    // A reply without any response head.
    server.QueueReply({"garbage"});
    get.URL = server.Url("/a");
    for (int i = 1; i <= 4; ++i) {
        get.GetString();
        ASSERT_TRUE(events.WaitFinal(i)) << i;
        EXPECT_EQ(events.Last().Kind, TEvents::Error) << i;
    }
}

TEST_F(THTTPGetTest, FileModeSucceedsOnlyWhenTheAnnouncedLengthArrived)
{
    QByteArray body;
    for (int i = 0; i < 1000; ++i)
        body.append(char(i * 7));
    const QByteArray full = TLoopbackServer::Response(body);
    server.QueueReply({full, 0, 256, 1});
    server.QueueReply({full, 0, 0, 0, full.size() - 400}); // breaks after 600 body bytes
    server.QueueReply({TLoopbackServer::Response(body, false)});

    {
        QFile old(Path("one.mp3"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(Zeros(5000)); // longer than the download: must be truncated
    }
    get.URL = server.Url("/one.mp3");
    get.FileName = Path("one.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneFile);
    EXPECT_EQ(events.Last().Text, Path("one.mp3").toUtf8());
    EXPECT_EQ(events.Last().A, 1000);
    QFile one(Path("one.mp3"));
    ASSERT_TRUE(one.open(QIODevice::ReadOnly));
    EXPECT_EQ(one.readAll(), body);
    // Progress comes before the outcome, counts up and ends at the full size.
    ASSERT_GE(events.List.size(), 2u);
    int previous = 0;
    for (size_t i = 0; i + 1 < events.List.size(); ++i) {
        ASSERT_EQ(events.List[i].Kind, TEvents::Progress);
        EXPECT_EQ(events.List[i].A, 1000);
        EXPECT_GT(events.List[i].B, previous);
        previous = events.List[i].B;
    }
    EXPECT_EQ(previous, 1000);

    events.List.clear();
    get.FileName = Path("two.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    EXPECT_EQ(QFile(Path("two.mp3")).size(), 600);

    events.List.clear();
    get.FileName = Path("three.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    ASSERT_GE(events.List.size(), 2u);
    EXPECT_EQ(events.List.front().Kind, TEvents::Progress);
    EXPECT_EQ(events.List.front().A, 0);
    EXPECT_EQ(QFile(Path("three.mp3")).size(), 1000);
}

TEST_F(THTTPGetTest, MissingLengthFailsAtOnceForBinaryData)
{
    server.SetReply({TLoopbackServer::Response("abc", false)});
    get.BinaryData = true;
    get.URL = server.Url("/a");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    get.FileName = Path("bin.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    EXPECT_FALSE(QFile::exists(Path("bin.mp3")));
    EXPECT_EQ(events.Finals(), int(events.List.size())); // no progress for a refused body
}

TEST_F(THTTPGetTest, UnreadableOrOversizedLengthFails)
{
    server.QueueReply({"HTTP/1.0 200 OK\r\nContent-Length: 3x\r\n\r\nabc"});
    server.QueueReply({"HTTP/1.0 200 OK\r\nContent-Length: 4294967299\r\n\r\nabc"});
    get.URL = server.Url("/a");
    get.FileName = Path("len.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
}

TEST_F(THTTPGetTest, CredentialsAndReferrerAreSentWhenSet)
{
    server.SetReply({TLoopbackServer::Response("ok")});
    get.URL = server.Url("/a");
    get.UserName = "user";
    get.Password = "secret";
    get.Referer = "http://example.org/from";
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    ASSERT_EQ(server.Requests().size(), 1u);
    const TLoopbackRequest request = server.Requests()[0];
    EXPECT_EQ(request.Header("Authorization"), "Basic " + QByteArray("user:secret").toBase64());
    EXPECT_EQ(request.Header("Referer"), "http://example.org/from");
}

TEST_F(THTTPGetTest, FileThatCannotBeCreatedFails)
{
    server.SetReply({TLoopbackServer::Response("abc")});
    get.URL = server.Url("/a");
    get.FileName = Path("no/such/folder/x.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
}

TEST_F(THTTPGetTest, AbortThenStartWhileBlockedMakesTheNewRequestAndDropsTheOldOutcome)
{
    server.SetHandler(SlowOrPath);
    get.URL = server.Url("/slow");
    get.GetString();
    ASSERT_TRUE(WaitUntil([&] { return !events.List.empty(); })); // the first bytes arrived
    ASSERT_EQ(events.List[0].Kind, TEvents::Progress);

    get.Abort();
    get.URL = server.Url("/next");
    get.GetString();
    EXPECT_TRUE(get.IsBusy());
    // The new request goes out without waiting for the old worker.
    ASSERT_TRUE(server.WaitForRequests(2, 5000));
    EXPECT_EQ(server.Requests()[1].RequestLine, "GET /next HTTP/1.0");
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneString);
    EXPECT_EQ(events.Last().Text, "/next");
    EXPECT_FALSE(get.IsBusy());
    // The aborted request lets go of its connection and reports nothing.
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
    ProcessEventsFor(200);
    EXPECT_EQ(events.Finals(), 1);

    // A start without Abort while busy is still ignored.
    get.URL = server.Url("/slow");
    get.GetString();
    get.URL = server.Url("/ignored");
    get.GetString();
    ASSERT_TRUE(server.WaitForRequests(3, 5000));
    ProcessEventsFor(100);
    EXPECT_EQ(server.Requests().size(), 3u);
    // Abort alone still ends the request with exactly one error.
    get.Abort();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    ProcessEventsFor(100);
    EXPECT_EQ(events.Finals(), 2);
}

TEST_F(THTTPGetTest, ListenersOfSuccessiveRequestsEachHearOnlyTheirOwn)
{
    server.SetHandler(SlowOrPath);
    // The fixture's listener stays on for every request beside the three
    // that each follow one request, as flows sharing a fetcher would.
    TEvents first, second, third;
    for (TEvents *e : {&first, &second, &third})
        e->DetachAtFinal = true;

    first.Attach(get);
    get.URL = server.Url("/one");
    get.GetString();
    ASSERT_TRUE(first.WaitFinal(1));

    second.Attach(get);
    get.URL = server.Url("/slow");
    get.GetString();
    ASSERT_TRUE(WaitUntil([&] { return !second.List.empty(); }));
    // A superseded request is never heard of again; its listener goes with it.
    get.Abort();
    second.Detach();
    third.Attach(get);
    get.URL = server.Url("/three");
    get.GetString();
    ASSERT_TRUE(third.WaitFinal(1));
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
    ProcessEventsFor(200);

    ASSERT_EQ(first.Finals(), 1);
    EXPECT_EQ(first.Last().Kind, TEvents::DoneString);
    EXPECT_EQ(first.Last().Text, "/one");
    EXPECT_EQ(second.Finals(), 0);
    for (const TEvents::TEvent &e : second.List)
        EXPECT_EQ(e.A, 10); // only the stalled reply's own progress
    ASSERT_EQ(third.Finals(), 1);
    EXPECT_EQ(third.Last().Text, "/three");
    for (const TEvents::TEvent &e : third.List) {
        if (e.Kind == TEvents::Progress)
            EXPECT_EQ(e.A, 6);
    }
    // Each outcome once, to every listener present at the time.
    ASSERT_EQ(events.Finals(), 2);
    std::vector<QByteArray> outcomes;
    for (const TEvents::TEvent &e : events.List) {
        if (e.Kind != TEvents::Progress)
            outcomes.push_back(e.Text);
    }
    EXPECT_EQ(outcomes, (std::vector<QByteArray>{"/one", "/three"}));
}

TEST_F(THTTPGetTest, ServerThatNeverAnswersOrStopsSendingEndsWithAnError)
{
    get.StallTimeoutMs = 1000;
    QElapsedTimer clock;

    // Accepts and reads the request, then says nothing.
    server.SetReply({TLoopbackServer::Response("late"), 60000});
    get.URL = server.Url("/silent");
    clock.start();
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1, 15000));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    // Ended by the silence, not by something else going wrong at once.
    EXPECT_GE(clock.elapsed(), 900);

    // Part of a file, then silence: an error, and the part stays on disk.
    {
        TLoopbackReply stalling{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"};
        stalling.StallAfter = stalling.Bytes.size();
        server.SetReply(stalling);
    }
    get.URL = server.Url("/half.mp3");
    get.FileName = Path("half.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(2, 15000));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    QFile half(Path("half.mp3"));
    ASSERT_TRUE(half.open(QIODevice::ReadOnly));
    EXPECT_EQ(half.readAll(), "0123456789");

    // A slow but steady sender is not a stall.
    server.SetReply({TLoopbackServer::Response(QByteArray(12, 's')), 0, 10, 300});
    get.URL = server.Url("/steady");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(3, 15000));
    EXPECT_EQ(events.Last().Kind, TEvents::DoneString);
}

TEST_F(THTTPGetTest, ConnectThatNeverCompletesEndsWithAnError)
{
    // A listener whose accept queue is full: the kernel drops further SYNs,
    // so the client's connect waits for ever.
    std::string host;
    int listener = -1;
    for (unsigned n = 0; n < 64 && listener < 0; ++n) {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        address.sin_addr.s_addr = htonl(0x7FC00000u | ((std::uint32_t(::getpid()) % 4096u) << 10) | (n % 1024u));
        if (::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
            && ::listen(listener, 0) == 0) {
            char text[INET_ADDRSTRLEN] = {};
            host = ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        } else {
            ::close(listener);
            listener = -1;
        }
    }
    ASSERT_GE(listener, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 2; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
        ::connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        fillers.push_back(s);
    }
    ProcessEventsFor(100);

    get.ConnectTimeoutMs = 500;
    get.URL = QByteArray("http://") + host.c_str() + "/x";
    QElapsedTimer clock;
    clock.start();
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1, 15000));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    EXPECT_GE(clock.elapsed(), 400);
    for (const int s : fillers)
        ::close(s);
    ::close(listener);
}

TEST_F(THTTPGetTest, AbortBeforeAnyReplyAndAbortWhenIdle)
{
    get.Abort(); // idle: nothing happens
    ProcessEventsFor(50);
    EXPECT_TRUE(events.List.empty());

    server.SetReply({TLoopbackServer::Response("late"), 60000});
    get.URL = server.Url("/a");
    get.GetString();
    ASSERT_TRUE(server.WaitForRequests(1, 5000));
    get.Abort();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
}

TEST_F(THTTPGetTest, SecondStartWhileBusyIsIgnoredAndWorksAfterwards)
{
    // Answers with the path it was asked for, the first one slowly.
    server.SetHandler([](const TLoopbackRequest &request) {
        const QByteArray path = request.RequestLine.split(' ').value(1);
        return TLoopbackReply{TLoopbackServer::Response(path), path == "/first" ? 300 : 0};
    });
    get.URL = server.Url("/first");
    get.GetString();
    // Changes after the start belong to the next request only.
    get.URL = server.Url("/second");
    get.GetString();
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Text, "/first");
    ProcessEventsFor(100);
    EXPECT_EQ(events.Finals(), 1);
    EXPECT_EQ(server.Requests().size(), 1u);

    get.GetString();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Text, "/second");
}

TEST_F(THTTPGetTest, UrlPrefixCaseAndMissingPath)
{
    server.SetReply({TLoopbackServer::Response("abc")});
    get.URL = "HTTP://" + server.Host() + "/Path/X?Q=1";
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Text, "abc");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].RequestLine, "GET /Path/X?Q=1 HTTP/1.0");
    EXPECT_EQ(server.Requests()[0].Header("Host"), server.Host());

    // An explicit port is the server's.
    get.URL = server.Url(":80/x");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(2));
    EXPECT_EQ(events.Last().Text, "abc");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].RequestLine, "GET /x HTTP/1.0");

    // No "/" after the host, user information, a port that is none: no server is reached.
    const QByteArray bad[] = {"http://" + server.Host(), server.Url(":0/x"), server.Url(":80x/x"),
                              "http://u@" + server.Host() + "/x"};
    int finals = 2;
    for (const QByteArray &url : bad) {
        get.URL = url;
        get.FileName = Path("never.mp3");
        get.GetFile();
        ASSERT_TRUE(events.WaitFinal(++finals)) << url.constData();
        EXPECT_EQ(events.Last().Kind, TEvents::Error) << url.constData();
    }
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_FALSE(QFile::exists(Path("never.mp3")));
}

TEST_F(THTTPGetTest, NoServerListeningIsAnErrorNotAnEmptyDownload)
{
    std::unique_ptr<TLoopbackServer> gone = std::make_unique<TLoopbackServer>();
    get.URL = gone->Url("/x.mp3");
    gone.reset(); // nothing listens on that address any more
    get.FileName = Path("x.mp3");
    get.GetFile();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
}

TEST_F(THTTPGetTest, DestroyingABusyComponentNeitherBlocksNorDeliversEvents)
{
    {
        TLoopbackReply stalling{"HTTP/1.0 200 OK\r\n\r\nsome"};
        stalling.StallAfter = stalling.Bytes.size();
        server.SetReply(stalling);
    }
    auto doomed = std::make_unique<THTTPGet>();
    TEvents doomedEvents;
    doomedEvents.Attach(*doomed);
    doomed->URL = server.Url("/stall");
    doomed->GetString();
    ASSERT_TRUE(WaitUntil([&] { return !doomedEvents.List.empty(); }));
    const size_t seen = doomedEvents.List.size();

    QElapsedTimer clock;
    clock.start();
    doomed.reset();
    EXPECT_LT(clock.elapsed(), 500);
    // The worker ends by itself and lets go of the connection.
    EXPECT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }));
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
    ProcessEventsFor(100);
    EXPECT_EQ(doomedEvents.List.size(), seen);
}

TEST_F(THTTPGetTest, HandlerThatThrowsLeavesTheComponentUsable)
{
    server.SetReply({TLoopbackServer::Response("abc")});
    get.URL = server.Url("/a");
    int calls = 0;
    events.Detach();
    const QMetaObject::Connection doneString = QObject::connect(&get, &THTTPGet::OnDoneString, &get,
                                                                [&](const QByteArray &) {
                                                                    ++calls;
                                                                    throw std::runtime_error("reply does not parse");
                                                                });
    get.GetString();
    ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
    EXPECT_FALSE(get.IsBusy());

    const QMetaObject::Connection error = QObject::connect(&get, &THTTPGet::OnError, &get, [&] {
        ++calls;
        throw 42;
    });
    get.URL = "http://" + server.Host(); // fails without a server
    get.GetString();
    ASSERT_TRUE(WaitUntil([&] { return calls == 2; }));
    EXPECT_FALSE(get.IsBusy());

    QObject::disconnect(doneString);
    QObject::disconnect(error);
    events.Attach(get);
    get.URL = server.Url("/a");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1));
    EXPECT_EQ(events.Last().Text, "abc");
}

TEST_F(THTTPGetTest, WaitThreadReturnsAfterTheOutcome)
{
    server.SetReply({TLoopbackServer::Response("abc"), 50});
    get.URL = server.Url("/a");
    get.WaitThread = true;
    get.GetString();
    EXPECT_FALSE(get.IsBusy());
    ASSERT_EQ(events.Finals(), 1);
    EXPECT_EQ(events.Last().Text, "abc");

    // A handler may destroy the component while it waits.
    auto owned = std::make_unique<THTTPGet>();
    owned->WaitThread = true;
    owned->URL = server.Url("/a");
    bool done = false;
    QObject::connect(owned.get(), &THTTPGet::OnDoneString, owned.get(), [&](const QByteArray &) {
        done = true;
        owned.reset();
    });
    owned->GetString(); // must not touch the destroyed component on its way out
    EXPECT_TRUE(done);
}

TEST_F(THTTPGetTest, ComponentsRunSideBySideAndReuseIdleThreads)
{
    // The server never answers, so all five requests can only arrive if they
    // run at the same time.
    {
        TLoopbackReply stalling{""};
        stalling.StallAfter = stalling.Bytes.size();
        server.SetReply(stalling);
    }
    std::vector<std::unique_ptr<THTTPGet>> gets;
    std::vector<TEvents> results(5);
    for (int i = 0; i < 5; ++i) {
        gets.push_back(std::make_unique<THTTPGet>());
        results[i].Attach(*gets.back());
        gets.back()->URL = server.Url("/" + QByteArray::number(i));
        gets.back()->GetString();
    }
    EXPECT_TRUE(server.WaitForRequests(5, 10000));
    for (int i = 0; i < 5; ++i) {
        gets[i]->Abort();
        ASSERT_TRUE(results[i].WaitFinal(1)) << i;
        EXPECT_EQ(results[i].Last().Kind, TEvents::Error);
    }

    server.SetReply({TLoopbackServer::Response("again")});
    const int threads = THTTPWorkerPool::Threads();
    get.URL = server.Url("/seq");
    for (int i = 1; i <= 20; ++i) {
        get.GetString();
        ASSERT_TRUE(events.WaitFinal(i));
    }
    EXPECT_EQ(events.Last().Text, "again");
    EXPECT_LE(THTTPWorkerPool::Threads(), threads);
}

TEST_F(THTTPGetTest, StringBodyIsCappedAt64MiB)
{
    {
        // "HTTP/1.0 200 OK", no length, then zero bytes until the client leaves.
        TLoopbackReply zeros;
        zeros.Status = 200;
        zeros.Endless = true;
        zeros.Bytes = QByteArray(64 * 1024, '\0');
        server.SetReply(zeros);
    }
    int lastReaded = 0;
    QObject::connect(&get, &THTTPGet::OnProgress, &get, [&](int, int readed) { lastReaded = readed; });
    get.URL = server.Url("/endless");
    get.GetString();
    ASSERT_TRUE(events.WaitFinal(1, 60000));
    EXPECT_EQ(events.Last().Kind, TEvents::Error);
    EXPECT_LE(lastReaded, 64 * 1024 * 1024);
    EXPECT_TRUE(server.WaitForConnectionsClosed(5000));
}
