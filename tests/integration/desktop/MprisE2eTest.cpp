// The window steered by the desktop's own media controller (playerctl) over a
// private session bus: what it lists and reads, and that its commands act as
// the window's keys do.
#include "ChildProcess.h"
#include "FlowHarness.h"
#include "MainMenu.h"
#include "MainState.h"
#include "MarkedRow.h"
#include "PlaylistController.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "ServiceProcess.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TKnob.h"
#include "TStreamPlayer.h"
#include "TestLibrary.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <unistd.h>

namespace {

std::string ownAddress()
{
    return "127.94." + std::to_string(getpid() % 250 + 1) + ".23";
}

// Runs playerctl to its end. The window answers its calls from this very
// event loop, so the loop keeps running meanwhile.
QString playerctl(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("playerctl"), args);
    if (!process.waitForStarted(5000))
        return QStringLiteral("<not started>");
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished(2000);
        return QStringLiteral("<timed out>");
    }
    const QByteArray err = process.readAllStandardError();
    if (!err.isEmpty())
        std::fprintf(stderr, "playerctl %s: %s\n", args.join(u' ').toLocal8Bit().constData(), err.constData());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString ofPlayer(const QStringList &args)
{
    return playerctl(QStringList{QStringLiteral("--player=sonaro_klient")} + args);
}

} // namespace

TEST(MprisE2e, PlayerctlSteersThePlaylistAsTheKeysDo)
{
    ASSERT_FALSE(findProgram("playerctl").empty());
    const std::string daemon = findProgram("dbus-daemon");
    ASSERT_FALSE(daemon.empty());
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir dir;

    // A session bus of this test's own.
    const std::string busLog = dir.filePath("bus.log").toStdString();
    const std::string busAddress = "unix:path=" + dir.filePath("bus").toStdString();
    ChildProcess bus(daemon, {"--session", "--nofork", "--nopidfile", "--address=" + busAddress, "--print-address=1"},
                     busLog);
    ASSERT_TRUE(WaitUntil([&] { return readText(busLog).find("unix:") != std::string::npos; }, 10000))
        << readText(busLog);
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(busAddress));

    const std::string address = ownAddress();
    const std::string music = dir.filePath("music").toStdString();
    // The middle track is long enough to pause and resume within it.
    TestLibrary::makeMp3(music, "a/Prvni.mp3", {"Prvni", "Kapela", "Deska", "Rock", 1, 8.0, "-b 64"});
    TestLibrary::makeMp3(music, "b/Druha.mp3", {"Druha", "Kapela", "Deska", "Rock", 2, 20.0, "-b 64"});
    TestLibrary::makeMp3(music, "c/Treti.mp3", {"Treti", "Kapela", "Deska", "Rock", 3, 8.0, "-b 64"});
    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, address, music, dir.path().toStdString()));
    {
        QFile ini(dir.filePath("k.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Hlavni]\nPosledniFind=Kapela\n[Playlisty]\nPomatovat=0\n");
    }

    PromptRecorder prompts;
    MainEnvironment environment{.iniPath = dir.filePath("k.ini"),
                                .keyStoreRoot = dir.filePath("keys"),
                                .prompts = &prompts,
                                .serviceBase = "http://" + QByteArray::fromStdString(address) + "/",
                                .audioLibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")),
                                .audioOutputDevice = 0};
    environment.desktopPlayer = true;
    TFormMain form(environment);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().count() == 3 && !form.HTTPGetFind->IsBusy(); }, 20000))
        << service->log();
    ASSERT_NE(form.player(), nullptr) << prompts.texts(PromptRecorder::Kind::Error).join("; ").toStdString();
    TStreamPlayer &player = *form.player();

    EXPECT_TRUE(playerctl({QStringLiteral("--list-all")}).split(u'\n').contains(QStringLiteral("sonaro_klient")));
    EXPECT_EQ(ofPlayer({QStringLiteral("status")}), QStringLiteral("Stopped"));

    // Playlist A, B, C from the results, in that order.
    form.activateWindow();
    PlaylistModel &playlist = form.playlist().model();
    for (const char *name : {"Prvni", "Druha", "Treti"}) {
        int result = -1;
        for (int r = 0; r < form.resultsModel().count(); ++r)
            if (form.resultsModel().row(r).caption() == QByteArray(name))
                result = r;
        ASSERT_GE(result, 0);
        const int rows = playlist.rowCount();
        form.list_mp3->selectRow(result);
        form.list_mp3->setFocus();
        form.menu().Pidatdoplaylistu2->trigger();
        ASSERT_TRUE(WaitUntil([&] { return playlist.rowCount() == rows + 1 && !form.HTTPGetGet->IsBusy(); }, 20000))
            << service->log();
    }
    const QString urlB = QString::fromLatin1(playlist.entry(1).url);
    const QString urlC = QString::fromLatin1(playlist.entry(2).url);

    // Each change of the status is announced, not only readable.
    QProcess follower;
    follower.start(QStringLiteral("playerctl"),
                   {QStringLiteral("--player=sonaro_klient"), QStringLiteral("status"), QStringLiteral("--follow")});
    ASSERT_TRUE(follower.waitForStarted(5000));
    QString followed;
    const auto followedLines = [&] {
        followed += QString::fromUtf8(follower.readAllStandardOutput());
        return followed.split(u'\n', Qt::SkipEmptyParts);
    };
    ASSERT_TRUE(WaitUntil([&] { return followedLines().contains(QStringLiteral("Stopped")); }, 10000))
        << followed.toStdString();

    // B from the playlist: playerctl reads its title, stream and length.
    form.list_play->selectRow(1);
    form.list_play->setFocus();
    form.menu().Pehrt4->trigger();
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000));
    EXPECT_EQ(ofPlayer({QStringLiteral("metadata"), QStringLiteral("title")}),
              QString::fromUtf8(playlist.entry(1).title));
    EXPECT_EQ(ofPlayer({QStringLiteral("metadata"), QStringLiteral("xesam:url")}), urlB);
    EXPECT_EQ(ofPlayer({QStringLiteral("status")}), QStringLiteral("Playing"));
    const QString length = ofPlayer({QStringLiteral("metadata"), QStringLiteral("mpris:length")});
    EXPECT_GT(length.toLongLong(), 0) << length.toStdString();
    EXPECT_TRUE(WaitUntil([&] { return followedLines().contains(QStringLiteral("Playing")); }, 10000))
        << followed.toStdString();

    // The position follows playback: seconds, in step with the engine.
    const double early = ofPlayer({QStringLiteral("position")}).toDouble();
    ASSERT_TRUE(WaitUntil([&] { return ofPlayer({QStringLiteral("position")}).toDouble() > early + 0.5; }, 10000));
    const double reported = ofPlayer({QStringLiteral("position")}).toDouble();
    EXPECT_LE(reported, player.Position() / 1000.0 + 0.01);

    // pause acts as F6: the engine pauses and the position stands still.
    ASSERT_TRUE(WaitUntil([&] { return form.menu().Pause1->isEnabled(); }, 5000));
    ofPlayer({QStringLiteral("pause")});
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPaused; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ofPlayer({QStringLiteral("status")}) == QStringLiteral("Paused"); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return followedLines().contains(QStringLiteral("Paused")); }, 10000))
        << followed.toStdString();
    const std::uint32_t pausedAt = player.Position();
    ProcessEventsFor(600);
    EXPECT_EQ(player.Position(), pausedAt);
    EXPECT_EQ(ofPlayer({QStringLiteral("position")}).toDouble(), pausedAt / 1000.0);

    // While paused the panel's seek lands exactly where asked: SetPosition, then Seek back.
    ofPlayer({QStringLiteral("position"), QStringLiteral("12")});
    EXPECT_TRUE(WaitUntil([&] { return std::abs(int(player.Position()) - 12000) < 200; }, 5000)) << player.Position();
    ofPlayer({QStringLiteral("position"), QStringLiteral("5-")});
    EXPECT_TRUE(WaitUntil([&] { return std::abs(int(player.Position()) - 7000) < 200; }, 5000)) << player.Position();
    EXPECT_EQ(player.Mode(), plmPaused);

    // The volume turns the knob, which passes it to the engine.
    ofPlayer({QStringLiteral("volume"), QStringLiteral("0.2")});
    EXPECT_TRUE(WaitUntil([&] { return form.player_volume->Position() == 51; }, 5000)) << form.player_volume->Position();
    EXPECT_EQ(player.Volume(), 51u);
    EXPECT_EQ(ofPlayer({QStringLiteral("volume")}).toDouble(), 0.2);

    // play acts as F5: playback resumes from there, once the panel's poll has enabled Play.
    ASSERT_TRUE(WaitUntil([&] { return form.menu().Play1->isEnabled(); }, 5000));
    ofPlayer({QStringLiteral("play")});
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return player.Position() > pausedAt; }, 10000));
    EXPECT_EQ(player.StreamName(), urlB);

    // next acts as F4: C plays and carries the playlist's mark.
    ASSERT_TRUE(WaitUntil([&] { return form.menu().Dal1->isEnabled(); }, 5000));
    ofPlayer({QStringLiteral("next")});
    ASSERT_TRUE(WaitUntil([&] { return player.StreamName() == urlC && player.Mode() == plmPlaying; }, 10000))
        << player.StreamName().toStdString();
    EXPECT_EQ(MarkedRow(playlist), 2);
    EXPECT_TRUE(WaitUntil([&] { return ofPlayer({QStringLiteral("metadata"), QStringLiteral("xesam:url")}) == urlC; },
                          5000));

    // previous acts as F3: back to B.
    ofPlayer({QStringLiteral("previous")});
    ASSERT_TRUE(WaitUntil([&] { return player.StreamName() == urlB && player.Mode() == plmPlaying; }, 10000))
        << player.StreamName().toStdString();
    EXPECT_EQ(MarkedRow(playlist), 1);
    EXPECT_TRUE(form.state().PlayingFromPlaylist);

    // stop acts as F7.
    ASSERT_TRUE(WaitUntil([&] { return form.menu().Stop1->isEnabled(); }, 5000));
    ofPlayer({QStringLiteral("stop")});
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmStopped; }, 5000));
    EXPECT_TRUE(prompts.shown.isEmpty());

    follower.kill();
    follower.waitForFinished(2000);

    // Quit closes the window as its close box does: the settings are written
    // and the engine released.
    QProcess quit;
    quit.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.mpris.MediaPlayer2.sonaro_klient"), QStringLiteral("/org/mpris/MediaPlayer2"),
                QStringLiteral("org.mpris.MediaPlayer2.Quit")});
    ASSERT_TRUE(quit.waitForStarted(5000));
    EXPECT_TRUE(WaitUntil([&] { return quit.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(quit.exitCode(), 0) << quit.readAllStandardError().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return form.player() == nullptr; }, 5000));
    QFile saved(dir.filePath("k.ini"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("Volume=51"));
    ProcessEventsFor(50);
}
