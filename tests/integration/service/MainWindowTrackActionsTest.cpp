#include "FlowHarness.h"
#include "MainMenu.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "TLoopbackServer.h"
#include "TFormDown.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TLEDLabel.h"
#include "TStreamPlayer.h"
#include "TestLibrary.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>

namespace {

const QByteArray kUpdate = "<u data=\"updater\" kid=\"4711\" newver=\"ne\" jezprava=\"ne\"><c>3</c></u>";

QByteArray finder()
{
    QByteArray xml = "<reply data=\"finder\">";
    for (int i = 0; i < 3; ++i)
        xml += "<mp3 jmeno=\"Song " + QByteArray::number(i) + "\" hodmuzu=\"true\">id" + QByteArray::number(i)
             + "</mp3>";
    return xml + "</reply>";
}

QByteArray track(const QByteArray &action, const QByteArray &url, const QByteArray &extra = {})
{
    return "<r data=\"getmp3\" action=\"" + action + "\"" + extra
         + "><t interpret=\"Kab\xE1ty\" jmeno=\"Song\" album=\"\" cas=\"0:08\" id=\"id1\">" + url + "</t></r>";
}

// The fake service: update, finder and track replies chosen by the request, the MP3 itself.
struct Service
{
    TLoopbackServer server;
    QByteArray mp3;
    std::mutex lock;
    QByteArray nextTrackReply; // guarded by lock
    bool dropTrackRequests = false; // guarded by lock

    Service()
    {
        server.SetHandler([this](const TLoopbackRequest &q) -> TLoopbackReply {
            const QByteArray &line = q.RequestLine;
            if (line.contains("/engine/update.php"))
                return {TLoopbackServer::Response(kUpdate)};
            if (line.contains("/engine/finder.php"))
                return {TLoopbackServer::Response(finder())};
            if (line.contains("/files/song.mp3"))
                return {TLoopbackServer::Response(mp3)};
            std::lock_guard guard(lock);
            TLoopbackReply reply{TLoopbackServer::Response(nextTrackReply)};
            if (dropTrackRequests)
                reply.DropAfter = 0;
            return reply;
        });
    }
    void willAnswer(const QByteArray &reply)
    {
        std::lock_guard guard(lock);
        nextTrackReply = reply;
    }
    void dropAll()
    {
        std::lock_guard guard(lock);
        dropTrackRequests = true;
    }
    // The track requests so far; the engine's and the download window's file requests are left out.
    std::vector<QByteArray> trackLines() const
    {
        std::vector<QByteArray> lines;
        for (const TLoopbackRequest &q : server.Requests())
            if (q.RequestLine.contains("/engine/getmp3.php"))
                lines.push_back(q.RequestLine);
        return lines;
    }
    QByteArray lastLine() const
    {
        const auto lines = trackLines();
        return lines.empty() ? QByteArray() : lines.back();
    }
};

} // namespace

// Every command of the window that sends a track request, and the reply's
// steps on the window's own list, panel, playlist and download windows.
TEST(MainWindowTrackActions, CommandsRepliesAndTheirEffectsInTheWindow)
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir dir;
    TestLibrary::makeMp3(dir.filePath("m").toStdString(), "song.mp3", {"Song", "A", "B", "Rock", 1, 6.0, "-b 128"});
    Service service;
    {
        QFile f(dir.filePath("m/song.mp3"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        service.mp3 = f.readAll();
    }
    {
        QFile ini(dir.filePath("k.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Hlavni]\nPosledniFind=x\n[Playlisty]\nPomatovat=0\n");
    }
    PromptRecorder prompts;
    TFormMain form(MainEnvironment{dir.filePath("k.ini"), dir.filePath("keys"), &prompts, service.server.Url("/"),
                                   QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")), 1});
    form.show();
    form.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return form.state().ClientId == 4711 && form.resultsModel().count() == 3; }));
    ASSERT_NE(form.player(), nullptr) << prompts.texts(PromptRecorder::Kind::Error).join("; ").toStdString();
    const auto waitSent = [&](int n) {
        return WaitUntil([&] { return static_cast<int>(service.trackLines().size()) >= n && !form.HTTPGetGet->IsBusy(); });
    };

    // Double-click: play. The stream opens, the title reaches the panel, the row is marked.
    service.willAnswer(track("play", service.server.Url("/files/song.mp3")));
    const QRect cell = form.list_mp3->visualRect(form.resultsModel().index(1, 0));
    QTest::mouseClick(form.list_mp3->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(form.list_mp3->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(waitSent(1));
    EXPECT_EQ(service.lastLine(), "POST /engine/getmp3.php?act=play&id=id1 HTTP/1.0");
    ASSERT_TRUE(WaitUntil([&] { return form.player()->Mode() == plmPlaying; }));
    EXPECT_EQ(form.state().LedText, QString::fromUtf8("Kabáty - Song "));
    EXPECT_EQ(form.state().CurrentTrackId, "id1");
    EXPECT_TRUE(form.resultsModel().row(1).nowPlaying);
    EXPECT_EQ(form.state().BitrateText.size(), 16);
    EXPECT_TRUE(form.led_cisla->Caption().startsWith(form.state().BitrateText));
    EXPECT_TRUE(form.led_cisla->Caption().endsWith("/" + form.state().TotalTimeText));

    // Enter in the list and the pop-up and main-menu items: the request of each.
    form.list_mp3->selectRow(2);
    form.list_mp3->setFocus();
    service.willAnswer("<r data=\"other\"/>");
    int n = 1;
    QTest::keyClick(form.list_mp3, Qt::Key_Return);
    ASSERT_TRUE(waitSent(++n));
    EXPECT_EQ(service.lastLine(), "POST /engine/getmp3.php?act=play&id=id2 HTTP/1.0");
    EXPECT_EQ(form.state().RequestedTrackId, "id2");
    const std::pair<QAction *, const char *> items[] = {
        {form.list_mp3->playAction(), "act=play&id=id2"},
        {form.list_mp3->downloadAction(), "act=down&id=id2"},
        {form.list_mp3->addToPlaylistAction(), "act=add&id=id2"},
        {form.menu().Pehrt2, "act=play&id=id2"},
        {form.menu().Sthnout2, "act=down&id=id2"},
        {form.menu().Pidatdoplaylistu2, "act=add&id=id2"},
    };
    for (const auto &[action, query] : items) {
        action->trigger();
        ASSERT_TRUE(waitSent(++n)) << query;
        EXPECT_EQ(service.lastLine(), QByteArray("POST /engine/getmp3.php?") + query + " HTTP/1.0");
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
    // The wrong-kind replies changed nothing: "id1" still plays and keeps its mark.
    EXPECT_EQ(form.state().CurrentTrackId, "id1");
    EXPECT_TRUE(form.resultsModel().row(1).nowPlaying);

    // Ctrl+A with the results list focused adds; the reply's entry lands in the playlist.
    service.willAnswer(track("add", "http://h/s.mp3"));
    QTest::keyClick(&form, Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(waitSent(++n));
    EXPECT_EQ(service.lastLine(), "POST /engine/getmp3.php?act=add&id=id2 HTTP/1.0");
    PlaylistModel *playlist = form.list_play->playlistModel();
    ASSERT_NE(playlist, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return playlist->rowCount() == 1; }));
    EXPECT_EQ(playlist->entry(0).title, QByteArray("Kab\xE1ty - Song"));
    EXPECT_EQ(playlist->entry(0).url, "http://h/s.mp3");
    EXPECT_EQ(playlist->entry(0).trackId, "id1");
    EXPECT_EQ(playlist->entry(0).length, "0:08");
    EXPECT_FALSE(playlist->entry(0).nowPlaying);

    // The playlist's "Stáhnout ..." of the main menu: the download reply opens a window.
    service.willAnswer(track("down", service.server.Url("/files/song.mp3")));
    form.list_play->selectRow(0);
    form.list_play->setFocus();
    emit form.menu().MP31->aboutToShow();
    ASSERT_TRUE(form.menu().Sthnout4->isVisible());
    prompts.fileNames.enqueue(dir.filePath("saved.wav"));
    form.menu().Sthnout4->trigger();
    ASSERT_TRUE(waitSent(++n));
    EXPECT_EQ(service.lastLine(), "POST /engine/getmp3.php?act=down&id=id1 HTTP/1.0");
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::SaveFile), QStringList{QString::fromUtf8("Uložit MP3")});
    QPointer<TFormDown> window;
    ASSERT_TRUE(WaitUntil([&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TFormDown *>(w))
                window = d;
        return window && window->Progress().Finished();
    }));
    EXPECT_EQ(window->DownloadFile, dir.filePath("saved.mp3"));
    EXPECT_EQ(window->DownloadTitle, QString::fromUtf8("Song - Kabáty"));
    EXPECT_EQ(window->Progress().State(), DownloadProgress::TState::Done);
    window->close();

    // A failed request: the one message. The menu rule shows Sthnout2 again once the results have the focus.
    service.dropAll();
    form.activateWindow(); // back from the download window
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.list_mp3->setFocus();
    emit form.menu().MP31->aboutToShow();
    ASSERT_TRUE(form.menu().Sthnout2->isEnabled());
    form.menu().Sthnout2->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !prompts.texts(PromptRecorder::Kind::Message).isEmpty(); }));
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message),
              QStringList{QString::fromUtf8("Při dotazu na server došlo k chybě. ")});
    form.close();
    ProcessEventsFor(50);
}
