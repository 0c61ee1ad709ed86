// The playlist's sequencing in the whole window against the service we ship
// and the real engine on the silent device: start an entry, "Další", and the
// end of the last entry; and what a user hears between two entries.
#include "AudioFixtures.h"
#include "FlowHarness.h"
#include "MainMenu.h"
#include "MainState.h"
#include "MarkedRow.h"
#include "PcmSeam.h"
#include "PlaylistController.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "ServiceProcess.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TStreamPlayer.h"
#include "TestLibrary.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include <unistd.h>

namespace {

std::string ownAddress()
{
    return "127.94." + std::to_string(getpid() % 250 + 1) + ".21";
}

} // namespace

TEST(PlaylistSequencingE2e, NextThenTheLastEntryEndsInSilence)
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    const std::string address = ownAddress();
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    // The middle track is long enough that "Další" comes well before its end.
    TestLibrary::makeMp3(music, "a/Prvni.mp3", {"Prvni", "Kapela", "Deska", "Rock", 1, 2.0, "-b 64"});
    TestLibrary::makeMp3(music, "b/Druha.mp3", {"Druha", "Kapela", "Deska", "Rock", 2, 8.0, "-b 64"});
    TestLibrary::makeMp3(music, "c/Treti.mp3", {"Treti", "Kapela", "Deska", "Rock", 3, 2.5, "-b 64"});
    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, address, music, dir.path().toStdString()));
    {
        QFile ini(dir.filePath("k.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Hlavni]\nPosledniFind=Kapela\n[Playlisty]\nPomatovat=0\n");
    }

    PromptRecorder prompts;
    TFormMain form(MainEnvironment{.iniPath = dir.filePath("k.ini"),
                                   .keyStoreRoot = dir.filePath("keys"),
                                   .prompts = &prompts,
                                   .serviceBase = "http://" + QByteArray::fromStdString(address) + "/",
                                   .audioLibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")),
                                   .audioOutputDevice = 0});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().count() == 3 && !form.HTTPGetFind->IsBusy(); }, 20000))
        << service->log();
    ASSERT_NE(form.player(), nullptr) << prompts.texts(PromptRecorder::Kind::Error).join("; ").toStdString();
    TStreamPlayer &player = *form.player();

    const auto rowOf = [&](const char *name) {
        for (int r = 0; r < form.resultsModel().count(); ++r)
            if (form.resultsModel().row(r).caption() == QByteArray(name))
                return r;
        return -1;
    };
    const int results[] = {rowOf("Prvni"), rowOf("Druha"), rowOf("Treti")};
    ASSERT_TRUE(results[0] >= 0 && results[1] >= 0 && results[2] >= 0);

    // Each result added in turn lands at the end of the playlist: rows A, B, C.
    form.activateWindow();
    PlaylistModel &playlist = form.playlist().model();
    for (int i = 0; i < 3; ++i) {
        form.list_mp3->selectRow(results[i]);
        form.list_mp3->setFocus();
        form.menu().Pidatdoplaylistu2->trigger();
        ASSERT_TRUE(WaitUntil([&] { return playlist.rowCount() == i + 1 && !form.HTTPGetGet->IsBusy(); }, 20000))
            << service->log();
        EXPECT_FALSE(playlist.entry(i).nowPlaying);
    }
    const QString urlB = QString::fromLatin1(playlist.entry(1).url);
    const QString urlC = QString::fromLatin1(playlist.entry(2).url);
    ASSERT_TRUE(urlB.startsWith("http://") && urlB.endsWith("/Druha.mp3")) << urlB.toStdString();
    ASSERT_TRUE(urlC.startsWith("http://") && urlC.endsWith("/Treti.mp3")) << urlC.toStdString();

    // B from the playlist: the engine streams its URL, the mark is on row 1.
    form.list_play->selectRow(1);
    form.list_play->setFocus();
    form.menu().Pehrt4->trigger();
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000));
    EXPECT_EQ(player.StreamName().toStdString(), urlB.toStdString());
    EXPECT_TRUE(form.state().PlayingFromPlaylist);
    EXPECT_EQ(MarkedRow(playlist), 1);

    // "Další": C plays and carries the mark. The panel's next tick enables
    // the item, as a user would find it; a trigger before that does nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.menu().Dal1->isEnabled(); }, 5000));
    form.menu().Dal1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return player.StreamName() == urlC && player.Mode() == plmPlaying; }, 10000))
        << player.StreamName().toStdString();
    EXPECT_TRUE(form.state().PlayingFromPlaylist);
    EXPECT_EQ(MarkedRow(playlist), 2);

    // C is the last entry: when it ends nothing else starts, the mark stays,
    // and the panel shows the stop.
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() != plmPlaying; }, 15000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.menu().Stop1->isChecked(); }, 3000));
    ProcessEventsFor(1500);
    EXPECT_NE(player.Mode(), plmPlaying);
    EXPECT_EQ(player.StreamName().toStdString(), urlC.toStdString());
    EXPECT_EQ(MarkedRow(playlist), 2);
    EXPECT_TRUE(form.menu().Stop1->isChecked());

    // A track started from the results clears the playlist's mark.
    form.list_mp3->selectRow(results[0]);
    form.list_mp3->setFocus();
    form.menu().Pehrt2->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !form.HTTPGetGet->IsBusy() && player.Mode() == plmPlaying; }, 20000));
    EXPECT_FALSE(form.state().PlayingFromPlaylist);
    EXPECT_EQ(MarkedRow(playlist), -1);
    EXPECT_TRUE(form.resultsModel().row(results[0]).nowPlaying);
    EXPECT_TRUE(prompts.shown.isEmpty());

    form.close();
    ProcessEventsFor(50);
}

TEST(PlaylistSequencingE2e, TwoHalvesOfOneToneFromThePlaylistJoinWithoutAHole)
{
    const std::string address = ownAddress();
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    const std::string work = dir.path().toStdString();
    // One 441 Hz tone cut where it is loudest, each half encoded on its own.
    ASSERT_EQ(std::system(("sox -V1 -q -n -r 44100 -c 2 -b 16 " + work + "/whole.wav synth 3 sine 441 vol 0.5 && sox "
                           + work + "/whole.wav " + work + "/h1.wav trim 0 66025s && sox " + work + "/whole.wav " + work
                           + "/h2.wav trim 66025s")
                              .c_str()),
              0);
    TestLibrary::makeMp3(music, "t/Pulka1.mp3", {"Pulka1", "Kapela", "Deska", "Rock", 1, 0, "-b 192", work + "/h1.wav"});
    TestLibrary::makeMp3(music, "t/Pulka2.mp3", {"Pulka2", "Kapela", "Deska", "Rock", 2, 0, "-b 192", work + "/h2.wav"});
    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, address, music, work));
    {
        QFile ini(dir.filePath("k.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Hlavni]\nPosledniFind=Kapela\n[Playlisty]\nPomatovat=0\n");
    }
    const std::string capture = work + "/heard.raw";
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString(capture));

    PromptRecorder prompts;
    std::vector<std::int16_t> heard;
    {
        TFormMain form(MainEnvironment{.iniPath = dir.filePath("k.ini"),
                                       .keyStoreRoot = dir.filePath("keys"),
                                       .prompts = &prompts,
                                       .serviceBase = "http://" + QByteArray::fromStdString(address) + "/",
                                       .audioLibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")),
                                       .audioOutputDevice = 1});
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().count() == 2 && !form.HTTPGetFind->IsBusy(); }, 20000))
            << service->log();
        ASSERT_NE(form.player(), nullptr) << prompts.texts(PromptRecorder::Kind::Error).join("; ").toStdString();
        TStreamPlayer &player = *form.player();
        PlaylistModel &playlist = form.playlist().model();
        form.activateWindow();
        for (const char *name : {"Pulka1", "Pulka2"}) {
            int row = -1;
            for (int r = 0; r < form.resultsModel().count(); ++r)
                if (form.resultsModel().row(r).caption() == QByteArray(name))
                    row = r;
            ASSERT_GE(row, 0) << name;
            const int before = playlist.rowCount();
            form.list_mp3->selectRow(row);
            form.list_mp3->setFocus();
            form.menu().Pidatdoplaylistu2->trigger();
            ASSERT_TRUE(WaitUntil([&] { return playlist.rowCount() == before + 1 && !form.HTTPGetGet->IsBusy(); }, 20000));
        }
        const QString second = QString::fromLatin1(playlist.entry(1).url);

        int ends = 0;
        QObject::connect(&player, &TStreamPlayer::OnPlayEnd, &form, [&] { ++ends; });
        form.list_play->selectRow(0);
        form.list_play->setFocus();
        form.menu().Pehrt4->trigger();
        ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000));
        // The mark moves on at the join, and the last entry's end stops all.
        ASSERT_TRUE(WaitUntil([&] { return player.StreamName() == second && player.Mode() == plmPlaying; }, 10000));
        EXPECT_EQ(MarkedRow(playlist), 1);
        ASSERT_TRUE(WaitUntil([&] { return ends == 2; }, 10000));
        EXPECT_EQ(player.Mode(), plmStopped);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.menu().Stop1->isChecked(); }, 3000));
        EXPECT_EQ(MarkedRow(playlist), 1);
        EXPECT_TRUE(prompts.shown.isEmpty());
        form.close(); // the engine goes, and with it the device: the capture is whole
        ProcessEventsFor(50);
    }
    qunsetenv("SDL_AUDIODRIVER");
    heard = AudioFixtures::readSamples(capture);

    const PcmSeam seam = PcmSeam::of(heard, 2);
    EXPECT_LE(seam.longestQuietRun, 2u) << seam.describe();
    // Sample for sample what libmpg123 makes of the two files in a row.
    const std::vector<std::int16_t> reference =
        AudioFixtures::decodeMpegInOrder({music + "/t/Pulka1.mp3", music + "/t/Pulka2.mp3"});
    std::size_t first = 0;
    EXPECT_EQ(framesDiffering(heard, reference, 2, &first), 0u) << "first at frame " << first << ", " << seam.describe();
}
