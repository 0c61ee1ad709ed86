// The panel on the main window with the real engine and audio library: the
// library's silent device plays an MP3 that a loopback server hands out
// slowly, so both bars move while the test watches.
#include "MainMenu.h"
#include "PanelBar.h"
#include "PanelText.h"
#include "PlayerPanel.h"
#include "PromptRecorder.h"
#include "TLoopbackServer.h"
#include "TFormMain.h"
#include "TKnob.h"
#include "TLEDLabel.h"
#include "OpenAndWait.h"
#include "TStreamPlayer.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QByteArray testMp3()
{
    QFile file(QStringLiteral(SONARO_PANEL_TEST_MEDIA "/tone8s.mp3"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixels of the lit segment colour (RGB 0, 255, 0, allowing for edge
// smoothing) inside r of the window picture.
int litPixels(const QImage &image, const QRect &r)
{
    int lit = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            lit += c.green() > 200 && c.red() < 80 && c.blue() < 80;
        }
    return lit;
}

bool playingShown(TFormMain &form)
{
    return !form.bt_play->isEnabled() && form.menu().Play1->isChecked();
}

} // namespace

TEST(PanelEngine, PollFollowsARealStreamThroughPlayPauseSeekAndStop)
{
    const QByteArray mp3 = testMp3();
    ASSERT_GT(mp3.size(), 100'000) << "test MP3 missing";
    TLoopbackServer server;
    TLoopbackReply reply;
    reply.Bytes = TLoopbackServer::Response(mp3, true, "200 OK");
    // About two seconds for the whole file.
    reply.ChunkSize = 8192;
    reply.ChunkDelayMs = 120;
    server.SetReply(reply);

    QTemporaryDir dir;
    PromptRecorder prompts;
    // No service: the start-up check fails at once and the window is placed.
    MainEnvironment environment{.iniPath = dir.filePath("k.ini"),
                                .keyStoreRoot = dir.filePath("keys"),
                                .prompts = &prompts,
                                .serviceBase = "http://127.0.0.1:1/",
                                .audioLibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")),
                                .audioOutputDevice = 0};
    {
        QFile ini(environment.iniPath);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Okno]\nVolume=40\n");
    }
    TFormMain form(environment);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_NE(form.player(), nullptr) << prompts.texts(PromptRecorder::Kind::Error).join("; ").toStdString();
    EXPECT_EQ(form.state().Player, form.player());
    ASSERT_TRUE(form.player_timer->isActive());
    // The stored volume reaches the knob and through it the engine.
    EXPECT_EQ(form.player_volume->Position(), 40);
    EXPECT_EQ(form.player()->Volume(), 40u);
    form.player_volume->setPosition(200);
    EXPECT_EQ(form.player()->Volume(), 200u);

    TStreamPlayer &player = *form.player();
    ASSERT_TRUE(OpenAndWait(player, server.Url("/hudba/tone8s.mp3")));
    const QString total = PanelText::timeText(player.PlayLength());
    form.panel().StartTrackDisplay(QStringLiteral("Sonaro test tone"));
    // The engine works the bit rate out from the file size and the length.
    EXPECT_NEAR(player.StreamInfo().BitRate, 128, 2);
    const QString bitrate = QString::number(player.StreamInfo().BitRate) + " kb/s" + QString(8, u' ');
    EXPECT_EQ(form.led_cisla->Caption(), bitrate + "00:00/" + total);
    EXPECT_TRUE(total == "00:08" || total == "00:07") << total.toStdString();

    // Playing: buttons, bars and the running time.
    ASSERT_TRUE(QTest::qWaitFor([&] { return playingShown(form); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.bar_play->width() > 0; }, 5000));
    const int downEarly = form.bar_down->width();
    EXPECT_LT(downEarly, 416);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QString c = form.led_cisla->Caption();
            return c.startsWith(bitrate) && c.endsWith("/" + total) && c.mid(16, 5) != "00:00";
        },
        5000));
    const int playedAtOne = form.bar_play->width();
    EXPECT_GT(playedAtOne, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.bar_down->width() == 416; }, 8000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.bar_play->width() > playedAtOne; }, 3000));
    EXPECT_GE(form.bar_down->width(), form.bar_play->width());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.led_text->Caption() == "Sonaro test tone"; }, 2000))
        << form.led_text->Caption().toStdString();

    // The panel as the user sees it: lit title and time digits.
    const QImage shot = form.centralWidget()->grab().toImage();
    if (const QByteArray path = qgetenv("SONARO_PANEL_SCREENSHOT"); !path.isEmpty())
        shot.save(QString::fromLocal8Bit(path));
    EXPECT_GT(litPixels(shot, QRect(368, 0, 273, 25)), 300);
    // Cells 16-26 of the number display hold "mm:ss/mm:ss".
    EXPECT_GT(litPixels(shot, QRect(368 + 16 * 10, 25, 11 * 10, 17)), 100);
    // Cells 8-15 are the bit rate's padding: nothing lit there.
    EXPECT_EQ(litPixels(shot, QRect(368 + 8 * 10, 25, 8 * 10, 17)), 0);
    EXPECT_EQ(shot.pixelColor(226, 52), QColor(0, 128, 0)); // played part

    // Pause: the time stands, Play resumes.
    QTest::mouseClick(form.bt_pause, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.menu().Pause1->isChecked(); }, 3000));
    EXPECT_TRUE(form.bt_play->isEnabled());
    EXPECT_FALSE(form.bt_pause->isEnabled());
    // Seek while paused: the display follows at once.
    QTest::mousePress(form.bar_down, Qt::LeftButton, {}, QPoint(312, 8));
    const std::uint32_t target = std::uint32_t(312.0 * player.PlayLength() / 416);
    EXPECT_NEAR(double(player.Position()), double(target), 300.0);
    EXPECT_EQ(form.led_cisla->Caption(), bitrate + PanelText::timeText(player.Position()) + "/" + total);
    const QString pausedCaption = form.led_cisla->Caption();
    QTest::qWait(600);
    EXPECT_EQ(form.led_cisla->Caption(), pausedCaption);
    form.menu().Play1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playingShown(form); }, 3000));

    // Stop: play bar back to 0, the time to 00:00, the stop picture lit.
    QTest::mouseClick(form.bt_stop, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.menu().Stop1->isChecked(); }, 3000));
    EXPECT_EQ(form.bar_play->width(), 0);
    EXPECT_EQ(form.led_cisla->Caption(), bitrate + "00:00/" + total);
    EXPECT_EQ(form.bar_down->width(), 416);
    // Only the start-up check's failure (no service here) was reported.
    EXPECT_TRUE(prompts.texts(PromptRecorder::Kind::Error).isEmpty());
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message), QStringList{"Při dotazu na server došlo k chybě."});
    form.close();
    EXPECT_EQ(form.player(), nullptr);
    EXPECT_EQ(form.state().Player, nullptr);
}

TEST(PanelEngine, MissingAudioLibraryStopsStartUpWithTheMessage)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    MainEnvironment environment{.iniPath = dir.filePath("k.ini"),
                                .keyStoreRoot = dir.filePath("keys"),
                                .prompts = &prompts,
                                .audioLibraryFolder = dir.filePath("nolib"),
                                .audioOutputDevice = 0};
    TFormMain form(environment);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.player(), nullptr);
    EXPECT_EQ(form.state().Player, nullptr);
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Error).last(), "Knihovnu libsonaroaudio.so nelze načíst.");
    EXPECT_FALSE(form.player_timer->isActive());
    EXPECT_FALSE(form.led_timer->isActive());
    EXPECT_EQ(form.led_text->Caption(), "      Klient     ");
    // The panel stays inert.
    QTest::mouseClick(form.bt_play, Qt::LeftButton);
    QTest::mousePress(form.bar_play, Qt::LeftButton, {}, QPoint(10, 8));
    EXPECT_EQ(form.led_cisla->Caption(), QString(16, u' ') + "00:00/00:00");
    form.close();
}
