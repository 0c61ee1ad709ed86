#include "WaitUntil.h"
#include "DownloadIcons.h"
#include "PartialFileTag.h"
#include "PromptRecorder.h"
#include "TLoopbackServer.h"
#include "TFormDown.h"
#include "THTTPGet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray Body(int size)
{
    QByteArray body(size, '\0');
    for (int i = 0; i < size; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

QByteArray Head(int length)
{
    return "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
}

// A 1000-byte reply sent in four pieces over about a second.
TLoopbackReply SlowReply()
{
    TLoopbackReply reply;
    reply.Bytes = TLoopbackServer::Response(Body(1000));
    reply.ChunkSize = 300;
    reply.ChunkDelayMs = 300;
    return reply;
}

QString LabelText(const QWidget *w, const char *name)
{
    const auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

const QProgressBar *Bar(const QWidget *w)
{
    return w->findChild<QProgressBar *>(QStringLiteral("pb_stazeno"));
}

QImage IconImage(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

qint64 FileSize(const QString &path)
{
    return QFileInfo(path).size();
}

int Questions(const PromptRecorder &prompts)
{
    return int(prompts.texts(PromptRecorder::Kind::Confirm).size());
}

class TFormDownTransfer : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { THTTPGet::GlobalInit(); }

    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    void TearDown() override
    {
        // Windows a failed test left open go now, and so do their workers.
        for (QPointer<TFormDown> &w : FWindows)
            delete w.data();
        EXPECT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }));
    }

    TFormDown *Start(const QByteArray &url, const QString &file, const QString &title)
    {
        TFormDown *w = TFormDown::start(FPrompts, url, file, title, title + QStringLiteral(" Album"), Timings);
        FWindows.append(w);
        return w;
    }

    QString Path(const QString &name) const { return FDir.filePath(name); }

    // Short waits, so that retried faults end within a test.
    static constexpr DownloadTimings Timings{2000, 1000, 20, 2};

    QTemporaryDir FDir;
    PromptRecorder FPrompts;
    TLoopbackServer FServer;
    QList<QPointer<TFormDown>> FWindows;
};

TEST_F(TFormDownTransfer, CompleteDownloadEndsDoneAndClosesWithoutQuestion)
{
    FServer.SetReply({TLoopbackServer::Response(Body(1000))});
    const QString file = Path(QStringLiteral("song.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/files/song.mp3"), file, QStringLiteral("Song - Band"));

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Staženo - Song - Band (100 %) - Sonaro Klient"));
    EXPECT_EQ(w->Progress().Icon(), 1);
    EXPECT_EQ(IconImage(w->windowIcon()), IconImage(DownloadIcons::icon(1)));
    EXPECT_EQ(Bar(w)->value(), 100);
    EXPECT_EQ(LabelText(w, "lbl_procent"), QStringLiteral("100 %"));
    EXPECT_EQ(LabelText(w, "lbl_velikost"), QStringLiteral("Velikost : 1000 bajtů"));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), Body(1000));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    EXPECT_FALSE(w->findChild<QPushButton *>(QStringLiteral("btn_znovu"))->isVisible());

    // The request the window makes: a plain GET that allows a cached copy.
    const auto requests = FServer.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].RequestLine, QByteArray("GET /files/song.mp3 HTTP/1.0"));
    EXPECT_EQ(requests[0].Header("User-Agent"), QByteArray("Sonaro Client"));
    EXPECT_EQ(requests[0].Header("Accept"), QByteArray("*/*"));
    EXPECT_TRUE(requests[0].Header("Cache-Control").isEmpty());
    EXPECT_TRUE(requests[0].Header("Pragma").isEmpty());

    // Shown again after a hide (as after a minimise) it does not fetch anew.
    w->hide();
    w->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(FServer.ConnectionCount(), 1);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Staženo - Song - Band (100 %) - Sonaro Klient"));

    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
}

TEST_F(TFormDownTransfer, HalfWayShowsFiftyPercentAndTheSize)
{
    TLoopbackReply reply;
    reply.Bytes = Head(1000) + Body(500);
    reply.StallAfter = reply.Bytes.size(); // half the body, then silence
    FServer.SetReply(reply);
    QPointer<TFormDown> w = Start(FServer.Url("/half.mp3"), Path(QStringLiteral("half.mp3")),
                                  QStringLiteral("Half - Band"));

    ASSERT_TRUE(WaitUntil([&] { return Bar(w)->value() == 50; }));
    EXPECT_EQ(LabelText(w, "lbl_procent"), QStringLiteral("50 %"));
    EXPECT_EQ(LabelText(w, "lbl_velikost"), QStringLiteral("Velikost : 1000 bajtů"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Half - Band (50 %) - Sonaro Klient"));
    EXPECT_EQ(w->Progress().Icon(), 0);
    EXPECT_FALSE(w->Progress().Finished());

    FPrompts.answers.enqueue(true);
    EXPECT_TRUE(w->close());
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
}

TEST_F(TFormDownTransfer, DroppedConnectionIsRetriedThenFailsAndKeepsThePartialFile)
{
    TLoopbackReply reply;
    reply.Bytes = Head(1000) + Body(1000);
    reply.DropAfter = Head(1000).size() + 600;
    FServer.SetReply(reply);
    const QString file = Path(QStringLiteral("cut.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/cut.mp3"), file, QStringLiteral("Cut - Band"));

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(IconImage(w->windowIcon()), IconImage(DownloadIcons::icon(2)));
    // The bar and labels keep the last share that arrived.
    EXPECT_EQ(Bar(w)->value(), 60);
    EXPECT_EQ(LabelText(w, "lbl_procent"), QStringLiteral("60 %"));
    // The bytes wait under the partial name; the chosen name does not exist.
    EXPECT_EQ(FileSize(file + QStringLiteral(".part")), 600);
    EXPECT_FALSE(QFile::exists(file));
    // Retried twice, each time asking for the rest only (this server ignores
    // that and sends the whole file again).
    const auto requests = FServer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].Header("Range").isEmpty());
    EXPECT_EQ(requests[1].Header("Range"), QByteArray("bytes=600-"));
    EXPECT_EQ(requests[2].Header("Range"), QByteArray("bytes=600-"));
    // The window says why, and offers to try again; no message box.
    EXPECT_EQ(LabelText(w, "lbl_stav"), QStringLiteral("Spojení se serverem se přerušilo."));
    EXPECT_TRUE(w->findChild<QPushButton *>(QStringLiteral("btn_znovu"))->isVisible());
    EXPECT_TRUE(FPrompts.shown.isEmpty());

    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
    EXPECT_EQ(FileSize(file + QStringLiteral(".part")), 600);
}

TEST_F(TFormDownTransfer, EmptyReplyWithZeroLengthEndsFailed)
{
    FServer.SetReply({TLoopbackServer::Response(QByteArray())});
    QPointer<TFormDown> w = Start(FServer.Url("/empty.mp3"), Path(QStringLiteral("empty.mp3")),
                                  QStringLiteral("Empty - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(w->Progress().Icon(), 2);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
}

TEST_F(TFormDownTransfer, CloseAnsweredNoKeepsDownloading)
{
    FServer.SetReply(SlowReply());
    const QString file = Path(QStringLiteral("slow.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/slow.mp3"), file, QStringLiteral("Slow - Band"));
    ASSERT_TRUE(WaitUntil([&] { return Bar(w)->value() > 0; }));

    FPrompts.answers.enqueue(false);
    w->findChild<QPushButton *>(QStringLiteral("btn_storno"))->click();
    EXPECT_EQ(FPrompts.texts(PromptRecorder::Kind::Confirm),
              QStringList{QStringLiteral("Chcete zrušit stahování?")});
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->HasFetcher());

    ASSERT_TRUE(WaitUntil([&] { return w && w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Staženo - Slow - Band (100 %) - Sonaro Klient"));
    EXPECT_EQ(FileSize(file), 1000);

    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 1);
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
}

TEST_F(TFormDownTransfer, CloseAnsweredYesStopsAndKeepsThePartialFile)
{
    TLoopbackReply reply;
    reply.Bytes = Head(1000) + Body(300);
    reply.StallAfter = reply.Bytes.size();
    FServer.SetReply(reply);
    const QString file = Path(QStringLiteral("stop.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/stop.mp3"), file, QStringLiteral("Stop - Band"));
    ASSERT_TRUE(WaitUntil([&] { return Bar(w)->value() == 30; }));

    FPrompts.answers.enqueue(true);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 1);
    EXPECT_FALSE(w->HasFetcher());
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));

    // The transfer ends promptly although the server never finishes.
    ASSERT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }, 5000));
    EXPECT_TRUE(FServer.WaitForConnectionsClosed(5000));
    EXPECT_EQ(FileSize(file + QStringLiteral(".part")), 300);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(FServer.ConnectionCount(), 1);
}

TEST_F(TFormDownTransfer, TwoWindowsRunSideBySide)
{
    FServer.SetHandler([](const TLoopbackRequest &request) {
        if (request.RequestLine.contains("/fast.mp3"))
            return TLoopbackReply{TLoopbackServer::Response(Body(1000))};
        return SlowReply();
    });
    const QString fastFile = Path(QStringLiteral("fast.mp3"));
    const QString slowFile = Path(QStringLiteral("slow.mp3"));
    QPointer<TFormDown> slow = Start(FServer.Url("/slow.mp3"), slowFile, QStringLiteral("Slow - Band"));
    QPointer<TFormDown> fast = Start(FServer.Url("/fast.mp3"), fastFile, QStringLiteral("Fast - Band"));
    EXPECT_NE(slow->winId(), fast->winId());

    ASSERT_TRUE(WaitUntil([&] { return fast->Progress().Finished(); }));
    EXPECT_EQ(fast->Progress().State(), DownloadProgress::TState::Done);
    // The other one's end changes nothing here.
    EXPECT_FALSE(slow->Progress().Finished());
    EXPECT_EQ(slow->Progress().Icon(), 0);

    EXPECT_TRUE(fast->close());
    EXPECT_EQ(Questions(FPrompts), 0);
    ASSERT_TRUE(WaitUntil([&] { return fast.isNull(); }));
    EXPECT_EQ(FileSize(fastFile), 1000);

    // Closing one did not touch the other's transfer, nor spare it the question.
    ASSERT_FALSE(slow.isNull());
    EXPECT_TRUE(slow->HasFetcher());
    FPrompts.answers.enqueue(false);
    EXPECT_FALSE(slow->close());
    EXPECT_EQ(Questions(FPrompts), 1);

    ASSERT_TRUE(WaitUntil([&] { return slow->Progress().Finished(); }));
    EXPECT_EQ(slow->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(FileSize(slowFile), 1000);
    EXPECT_TRUE(slow->close());
    EXPECT_EQ(Questions(FPrompts), 1);
}

TEST_F(TFormDownTransfer, NoLengthShowsBusyBarThenFails)
{
    TLoopbackReply reply;
    reply.Bytes = TLoopbackServer::Response(Body(3000), false);
    reply.ChunkSize = 1000;
    reply.ChunkDelayMs = 400;
    FServer.SetReply(reply);
    const QString file = Path(QStringLiteral("nolength.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/nolength.mp3"), file, QStringLiteral("Nolen - Band"));

    ASSERT_TRUE(WaitUntil([&] { return Bar(w)->maximum() == 0 || w->Progress().Finished(); }));
    ASSERT_FALSE(w->Progress().Finished());
    EXPECT_EQ(Bar(w)->minimum(), 0);
    EXPECT_TRUE(LabelText(w, "lbl_velikost").startsWith(QStringLiteral("Velikost : neznámá, staženo ")));
    EXPECT_TRUE(LabelText(w, "lbl_procent").isEmpty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Nolen - Band - Sonaro Klient"));

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(Bar(w)->maximum(), 100); // no longer busy
    EXPECT_EQ(LabelText(w, "lbl_velikost"), QStringLiteral("Velikost : neznámá, staženo 3000 bajtů"));
    EXPECT_EQ(FileSize(file + QStringLiteral(".part")), 3000);
    EXPECT_FALSE(LabelText(w, "lbl_stav").isEmpty());
    EXPECT_EQ(FServer.ConnectionCount(), 1); // nothing to check a retry against
    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
}

TEST_F(TFormDownTransfer, AddressShownInCzechLettersAndSentAsBytes)
{
    FServer.SetReply({TLoopbackServer::Response(Body(10))});
    // "/píseň.mp3" in Windows-1250, as the service's reply carries it.
    const QByteArray url = FServer.Url("/p\xED\x73\x65\xF2.mp3");
    QPointer<TFormDown> w = Start(url, Path(QStringLiteral("p.mp3")), QStringLiteral("P"));
    EXPECT_EQ(LabelText(w, "lbl_z"),
              QStringLiteral("Z : http://") + QString::fromLatin1(FServer.Host()) + QStringLiteral("/píseň.mp3"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done);
    ASSERT_EQ(FServer.Requests().size(), 1u);
    EXPECT_TRUE(FServer.Requests()[0].RequestLine.startsWith("GET /p"));
    w->close();
}

} // namespace

namespace {

// A partial file as an earlier, interrupted download of url left it.
void LeavePart(const QString &file, const QByteArray &bytes, const QByteArray &url, const QByteArray &validator)
{
    QFile part(file + QStringLiteral(".part"));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(part.write(bytes), bytes.size());
    part.close();
    ASSERT_TRUE(PartialFileTag::Write(part.fileName(), {url, validator}));
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(TFormDownTransfer, PartialFileOfTheSameAddressIsResumedAndRenamedWhenComplete)
{
    const QString file = Path(QStringLiteral("resume.mp3"));
    const QByteArray url = FServer.Url("/resume.mp3");
    LeavePart(file, Body(1000).left(400), url, "\"v1\"");
    FServer.SetReply({"HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 400-999/1000\r\nETag: \"v1\"\r\n"
                      "Content-Length: 600\r\n\r\n" + Body(1000).mid(400)});
    QPointer<TFormDown> w = Start(url, file, QStringLiteral("Resume - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Staženo - Resume - Band (100 %) - Sonaro Klient"));
    EXPECT_EQ(LabelText(w, "lbl_velikost"), QStringLiteral("Velikost : 1000 bajtů"));
    EXPECT_EQ(ReadAll(file), Body(1000));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    EXPECT_FALSE(PartialFileTag::Read(file)); // the finished file carries no tag
    const auto requests = FServer.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Range"), QByteArray("bytes=400-"));
    EXPECT_EQ(requests[0].Header("If-Range"), QByteArray("\"v1\""));
    EXPECT_TRUE(w->close());

    // A partial file of another address is not continued but written over.
    const QString other = Path(QStringLiteral("other.mp3"));
    LeavePart(other, QByteArray(300, 'z'), FServer.Url("/elsewhere.mp3"), "\"v9\"");
    FServer.SetReply({TLoopbackServer::Response(Body(1000))});
    QPointer<TFormDown> w2 = Start(FServer.Url("/other.mp3"), other, QStringLiteral("Other - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w2->Progress().Finished(); }));
    EXPECT_EQ(ReadAll(other), Body(1000));
    EXPECT_TRUE(FServer.Requests().back().Header("Range").isEmpty());
    EXPECT_TRUE(w2->close());
}

TEST_F(TFormDownTransfer, BadRepliesToAResumeFailWithAMessageAndKeepTheBytes)
{
    struct TCase
    {
        const char *Name;
        QByteArray Reply;
        QString Message; // a part of the message shown
    };
    const std::vector<TCase> cases = {
        {"416", "HTTP/1.0 416 Range Not Satisfiable\r\nContent-Range: bytes */5000\r\nContent-Length: 6\r\n\r\nno way",
         QStringLiteral("416")},
        {"html", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 25\r\n\r\n<html>Not here</html>    ",
         QStringLiteral("webovou stránku")},
        {"html-as-audio", "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: 30\r\n\r\n  <!DOCTYPE html><p>gone</p>  ",
         QStringLiteral("webovou stránku")},
        {"404", "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", QStringLiteral("404")},
        {"wrong-range", "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 0-999/1000\r\nContent-Length: 1000\r\n\r\n"
                            + Body(1000),
         QStringLiteral("jinou část")},
        // The rest announced, nothing sent, every time: retried from the
        // bytes on disk, then failed (the reply comes from the handler below).
        {"short", {}, QStringLiteral("přerušilo")},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const QString file = Path(QString::fromLatin1(c.Name) + QStringLiteral(".mp3"));
        const QByteArray url = FServer.Url("/" + QByteArray(c.Name) + ".mp3");
        LeavePart(file, Body(500), url, "\"v1\"");
        const size_t before = FServer.Requests().size();
        if (c.Reply.isEmpty()) {
            FServer.SetHandler([](const TLoopbackRequest &request) {
                const QByteArray from = request.Header("Range").mid(6).chopped(1);
                return TLoopbackReply{"HTTP/1.0 206 Partial Content\r\nContent-Range: bytes " + from
                                      + "-1999/2000\r\nContent-Length: 1500\r\n\r\n"};
            });
        } else {
            FServer.SetReply({c.Reply});
        }
        QPointer<TFormDown> w = Start(url, file, QStringLiteral("Bad - Band"));
        ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
        EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Failed);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
        EXPECT_TRUE(LabelText(w, "lbl_stav").contains(c.Message)) << LabelText(w, "lbl_stav").toStdString();
        EXPECT_TRUE(w->findChild<QPushButton *>(QStringLiteral("btn_znovu"))->isVisible());
        // What had arrived before is all still there, and nothing else.
        const QByteArray part = ReadAll(file + QStringLiteral(".part"));
        EXPECT_EQ(part, Body(2000).left(part.size()));
        EXPECT_GE(part.size(), 500);
        if (c.Reply.isEmpty()) {
            EXPECT_EQ(part.size(), 500);
            ASSERT_EQ(FServer.Requests().size() - before, 3u); // the first try and two retries
            EXPECT_EQ(FServer.Requests().back().Header("Range"), QByteArray("bytes=500-"));
        }

        EXPECT_FALSE(QFile::exists(file));
        EXPECT_TRUE(w->close());
        EXPECT_EQ(Questions(FPrompts), 0);
    }
}

TEST_F(TFormDownTransfer, RangeRefusedForAFileAlreadyWholeCompletesIt)
{
    const QString file = Path(QStringLiteral("whole.mp3"));
    const QByteArray url = FServer.Url("/whole.mp3");
    LeavePart(file, Body(1000), url, "\"v1\"");
    FServer.SetReply({"HTTP/1.0 416 Range Not Satisfiable\r\nContent-Range: bytes */1000\r\nContent-Length: 0\r\n\r\n"});
    QPointer<TFormDown> w = Start(url, file, QStringLiteral("Whole - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Staženo - Whole - Band (100 %) - Sonaro Klient"));
    EXPECT_EQ(ReadAll(file), Body(1000));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    EXPECT_EQ(FServer.Requests()[0].Header("Range"), QByteArray("bytes=1000-"));
    EXPECT_TRUE(w->close());
}

TEST_F(TFormDownTransfer, RetryButtonResumesAFailedDownloadAndTerminateKeepsThePart)
{
    const QString file = Path(QStringLiteral("again.mp3"));
    // First the connection drops after 300 bytes, every time; then the
    // server answers the range properly.
    TLoopbackReply cut;
    cut.Bytes = Head(1000) + Body(1000);
    cut.DropAfter = Head(1000).size() + 300;
    FServer.SetReply(cut);
    QPointer<TFormDown> w = Start(FServer.Url("/again.mp3"), file, QStringLiteral("Again - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    ASSERT_TRUE(w->Progress().CanRetry());

    FServer.SetReply({"HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 300-999/1000\r\nContent-Length: 700\r\n\r\n"
                      + Body(1000).mid(300)});
    w->findChild<QPushButton *>(QStringLiteral("btn_znovu"))->click();
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Downloading);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Again - Band (30 %) - Sonaro Klient"));
    EXPECT_EQ(w->Progress().Icon(), 0);
    EXPECT_FALSE(w->findChild<QPushButton *>(QStringLiteral("btn_znovu"))->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(ReadAll(file), Body(1000));
    EXPECT_EQ(FServer.Requests().back().Header("Range"), QByteArray("bytes=300-"));
    EXPECT_TRUE(w->close());

    // Terminating a running download asks nothing and keeps its bytes.
    TLoopbackReply stall;
    stall.Bytes = Head(1000) + Body(250);
    stall.StallAfter = stall.Bytes.size();
    FServer.SetReply(stall);
    const QString file2 = Path(QStringLiteral("term.mp3"));
    QPointer<TFormDown> t = Start(FServer.Url("/term.mp3"), file2, QStringLiteral("Term - Band"));
    ASSERT_TRUE(WaitUntil([&] { return Bar(t)->value() == 25; }));
    t->Terminate();
    ASSERT_TRUE(WaitUntil([&] { return t.isNull(); }));
    EXPECT_EQ(Questions(FPrompts), 0);
    ASSERT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }, 5000));
    EXPECT_EQ(ReadAll(file2 + QStringLiteral(".part")), Body(250));
    EXPECT_EQ(PartialFileTag::Read(file2 + QStringLiteral(".part"))->Url, FServer.Url("/term.mp3"));
}

TEST_F(TFormDownTransfer, EveryFaultAfterNewBytesGetsTheWholeSetOfRetries)
{
    // Each connection brings 300 new bytes, then drops: seven faults in all,
    // more than the two retries a fault without progress would get.
    FServer.SetHandler([](const TLoopbackRequest &request) {
        const QByteArray range = request.Header("Range");
        const qint64 from = range.isEmpty() ? 0 : range.mid(6).chopped(1).toLongLong();
        const QByteArray head = from == 0 ? Head(2000)
                                          : "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(from)
                                                + "-1999/2000\r\nContent-Length: " + QByteArray::number(2000 - from)
                                                + "\r\n\r\n";
        TLoopbackReply reply{head + Body(2000).mid(from)};
        reply.DropAfter = head.size() + 300;
        return reply;
    });
    const QString file = Path(QStringLiteral("steps.mp3"));
    QPointer<TFormDown> w = Start(FServer.Url("/steps.mp3"), file, QStringLiteral("Steps - Band"));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done) << LabelText(w, "lbl_stav").toStdString();
    EXPECT_EQ(ReadAll(file), Body(2000));
    EXPECT_EQ(FServer.Requests().size(), 7u);
    EXPECT_TRUE(w->close());
}
