#include "WaitUntil.h"
#include "DownloadIcons.h"
#include "PromptRecorder.h"
#include "TFakeHttpServer.h"
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
TFakeHttpReply SlowReply()
{
    TFakeHttpReply reply;
    reply.Bytes = TFakeHttpServer::Response(Body(1000));
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
        TFormDown *w = TFormDown::start(FPrompts, url, file, title, title + QStringLiteral(" Album"));
        FWindows.append(w);
        return w;
    }

    QString Path(const QString &name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
    PromptRecorder FPrompts;
    TFakeHttpServer FServer;
    QList<QPointer<TFormDown>> FWindows;
};

TEST_F(TFormDownTransfer, CompleteDownloadEndsDoneAndClosesWithoutQuestion)
{
    FServer.SetReply({TFakeHttpServer::Response(Body(1000))});
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
    TFakeHttpReply reply;
    reply.Bytes = Head(1000) + Body(500);
    reply.Stall = true; // half the body, then silence
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

TEST_F(TFormDownTransfer, DroppedConnectionFailsAndLeavesThePartialFile)
{
    TFakeHttpReply reply;
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
    EXPECT_EQ(FileSize(file), 600);
    // No message box either: the caption and icon are the whole report.
    EXPECT_TRUE(FPrompts.shown.isEmpty());

    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
    EXPECT_EQ(FileSize(file), 600);
}

TEST_F(TFormDownTransfer, EmptyReplyWithZeroLengthEndsFailed)
{
    FServer.SetReply({TFakeHttpServer::Response(QByteArray())});
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
    TFakeHttpReply reply;
    reply.Bytes = Head(1000) + Body(300);
    reply.Stall = true;
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
    EXPECT_EQ(FileSize(file), 300);
}

TEST_F(TFormDownTransfer, TwoWindowsRunSideBySide)
{
    FServer.SetHandler([](const TFakeHttpRequest &request) {
        if (request.RequestLine.contains("/fast.mp3"))
            return TFakeHttpReply{TFakeHttpServer::Response(Body(1000))};
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
    TFakeHttpReply reply;
    reply.Bytes = TFakeHttpServer::Response(Body(3000), false);
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
    EXPECT_EQ(FileSize(file), 3000);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(Questions(FPrompts), 0);
}

TEST_F(TFormDownTransfer, AddressShownInCzechLettersAndSentAsBytes)
{
    FServer.SetReply({TFakeHttpServer::Response(Body(10))});
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
