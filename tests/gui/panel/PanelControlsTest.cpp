// The panel's controls on the main window, driven through a stand-in engine.
#include "FakePlayer.h"
#include "ImageLists.h"
#include "MainMenu.h"
#include "PanelBar.h"
#include "PlayerPanel.h"
#include "PromptRecorder.h"
#include "TFormMain.h"
#include "TKnob.h"
#include "TLED.h"
#include "TLEDLabel.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// The picture a button shows in its present state.
QImage picture(const QToolButton *button)
{
    const QIcon::Mode mode = button->isEnabled() ? QIcon::Normal : QIcon::Disabled;
    return button->icon().pixmap(28, 28, mode).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage buttonImage(int index)
{
    return ImageLists::playerButton(index).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class PanelControlsTest : public ::testing::Test
{
protected:
    PanelControlsTest()
    {
        // Not shown, so no real engine: the stand-in takes its place.
        auto owned = std::make_unique<FakePlayer>();
        player = owned.get();
        form.panel().attach(std::move(owned));
        form.state().BarScale = 416;
    }

    QTemporaryDir dir;
    PromptRecorder prompts;
    TFormMain form{MainEnvironment{dir.filePath("k.ini"), dir.filePath("keys"), &prompts}};
    FakePlayer *player = nullptr;
    MainMenu &menu = form.menu();
};

} // namespace

TEST_F(PanelControlsTest, RealControlsAtTheirPlacesWithTheirLooks)
{
    auto *knob = form.findChild<TKnob *>("player_volume");
    ASSERT_EQ(knob, form.player_volume);
    EXPECT_EQ(knob->geometry(), QRect(320, 0, 41, 41));
    EXPECT_EQ(knob->Min(), 0);
    EXPECT_EQ(knob->Max(), 255);
    EXPECT_EQ(knob->Position(), 255);

    auto *title = form.findChild<TLEDLabel *>("led_text");
    ASSERT_EQ(title, form.led_text);
    EXPECT_EQ(title->geometry(), QRect(368, 0, 273, 25));
    EXPECT_EQ(title->Caption(), "      Klient     ");
    // 17 whole cells of 16 pixels across, 27 of 10 below.
    EXPECT_EQ(title->LED()->Horzsize() + 5 * title->LED()->Thickness(), 16);

    auto *numbers = form.findChild<TLEDLabel *>("led_cisla");
    ASSERT_EQ(numbers, form.led_cisla);
    EXPECT_EQ(numbers->geometry(), QRect(368, 25, 273, 17));
    EXPECT_EQ(numbers->Caption(), QString(16, u' ') + "00:00/00:00");
    EXPECT_EQ(numbers->LED()->Horzsize() + 5 * numbers->LED()->Thickness(), 10);

    const struct { const char *name; PanelBar *bar; QRect place; QColor fill; QColor outline; } bars[] = {
        {"bar_bg", form.bar_bg, {224, 44, 417, 17}, Qt::white, Qt::black},
        {"bar_down", form.bar_down, {225, 45, 416, 16}, QColor(192, 220, 192), QColor()},
        {"bar_play", form.bar_play, {225, 45, 416, 16}, QColor(0, 128, 0), QColor()},
    };
    for (const auto &b : bars) {
        ASSERT_EQ(form.findChild<PanelBar *>(b.name), b.bar) << b.name;
        EXPECT_EQ(b.bar->geometry(), b.place) << b.name;
        EXPECT_EQ(b.bar->fill(), b.fill) << b.name;
        EXPECT_EQ(b.bar->outline(), b.outline) << b.name;
    }
    // The frame draws a black outline around white.
    const QImage frame = form.bar_bg->grab().toImage();
    EXPECT_EQ(QColor(frame.pixel(0, 0)), QColor(Qt::black));
    EXPECT_EQ(QColor(frame.pixel(416, 16)), QColor(Qt::black));
    EXPECT_EQ(QColor(frame.pixel(200, 8)), QColor(Qt::white));
}

TEST_F(PanelControlsTest, BeforeTheFirstPollButtonsShowStoppedPicturesAndMenuIsOff)
{
    EXPECT_TRUE(form.bt_play->isEnabled() && form.bt_pause->isEnabled() && form.bt_stop->isEnabled());
    EXPECT_EQ(picture(form.bt_play), buttonImage(0));
    EXPECT_EQ(picture(form.bt_pause), buttonImage(2));
    EXPECT_EQ(picture(form.bt_stop), buttonImage(4));
    for (QAction *a : {menu.Play1, menu.Pause1, menu.Stop1, menu.Pedchoz1, menu.Dal1}) {
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();
    }
}

TEST_F(PanelControlsTest, EachModeSetsButtonsPicturesAndCheckMarks)
{
    struct Row {
        TPlayerMode mode;
        bool play, pause, stop;
        QAction *checked;
        int images[3];
    };
    const Row rows[] = {
        {plmPlaying, false, true, true, menu.Play1, {1, 2, 4}},
        {plmPaused, true, false, false, menu.Pause1, {0, 3, 4}},
        {plmStopped, true, false, false, menu.Stop1, {0, 2, 5}},
        {plmPlaying, false, true, true, menu.Play1, {1, 2, 4}},
    };
    for (const Row &r : rows) {
        player->Mode = r.mode;
        form.panel().tick();
        SCOPED_TRACE(int(r.mode));
        EXPECT_EQ(form.bt_play->isEnabled(), r.play);
        EXPECT_EQ(form.bt_pause->isEnabled(), r.pause);
        EXPECT_EQ(form.bt_stop->isEnabled(), r.stop);
        EXPECT_EQ(menu.Play1->isEnabled(), r.play);
        EXPECT_EQ(menu.Pause1->isEnabled(), r.pause);
        EXPECT_EQ(menu.Stop1->isEnabled(), r.stop);
        for (QAction *a : {menu.Play1, menu.Pause1, menu.Stop1})
            EXPECT_EQ(a->isChecked(), a == r.checked) << a->objectName().toStdString();
        EXPECT_EQ(picture(form.bt_play), buttonImage(r.images[0]));
        EXPECT_EQ(picture(form.bt_pause), buttonImage(r.images[1]));
        EXPECT_EQ(picture(form.bt_stop), buttonImage(r.images[2]));
    }
    // Standby leaves everything as the last mode set it.
    player->Mode = plmStandby;
    form.panel().tick();
    EXPECT_FALSE(form.bt_play->isEnabled());
    EXPECT_TRUE(menu.Play1->isChecked());
}

TEST_F(PanelControlsTest, ButtonsAndMenuItemsSendTheirCommandOnlyWhenEnabled)
{
    player->Mode = plmPlaying;
    form.panel().tick();
    QTest::mouseClick(form.bt_play, Qt::LeftButton); // disabled: ignored
    QTest::mouseClick(form.bt_pause, Qt::LeftButton);
    QTest::mouseClick(form.bt_stop, Qt::LeftButton);
    menu.Pause1->trigger();
    menu.Stop1->trigger();
    menu.Play1->trigger(); // disabled: ignored
    EXPECT_EQ(player->calls, (QStringList{"pause", "stop", "pause", "stop"}));
    // The check mark stays where the poll put it.
    EXPECT_TRUE(menu.Play1->isChecked());
    EXPECT_FALSE(menu.Pause1->isChecked());
    EXPECT_FALSE(menu.Stop1->isChecked());

    player->Mode = plmPaused;
    form.panel().tick();
    player->calls.clear();
    QTest::mouseClick(form.bt_play, Qt::LeftButton);
    menu.Play1->trigger();
    EXPECT_EQ(player->calls, (QStringList{"play", "play"}));
}

TEST_F(PanelControlsTest, PressOnEitherBarSeeksButTheEmptyFrameDoesNot)
{
    player->Mode = plmPlaying;
    player->Length = 240'000;
    player->Pos = 120'000;
    form.panel().tick();
    ASSERT_EQ(form.bar_play->width(), 208);
    QTest::mousePress(form.bar_play, Qt::LeftButton, {}, QPoint(100, 8));
    EXPECT_EQ(player->calls, QStringList{"seek 57692"});
    EXPECT_TRUE(form.led_cisla->Caption().endsWith("00:57/"));
    // Any mouse button; the downloaded part beyond the played one.
    player->Net = true;
    player->Downloaded = 4'000'000;
    player->Size = 4'000'000;
    form.panel().tick();
    ASSERT_EQ(form.bar_down->width(), 416);
    player->calls.clear();
    QTest::mousePress(form.bar_down, Qt::RightButton, {}, QPoint(300, 8));
    EXPECT_EQ(player->calls, QStringList{"seek 173076"});
    player->calls.clear();
    QTest::mousePress(form.bar_bg, Qt::LeftButton, {}, QPoint(410, 8));
    EXPECT_TRUE(player->calls.isEmpty());
}

TEST_F(PanelControlsTest, KnobSetsTheVolumeAndTimersDriveThePanel)
{
    form.player_volume->setPosition(100);
    EXPECT_EQ(player->calls, QStringList{"volume 100"});

    player->Mode = plmPlaying;
    player->Length = 200'000;
    player->Pos = 100'000;
    form.state().BitrateText = "128 kb/s" + QString(8, u' ');
    form.state().TotalTimeText = "03:20";
    form.state().PlayingFromPlaylist = true;
    form.state().LedText = "Short";
    form.player_timer->start();
    form.led_timer->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.bar_play->width() == 208; }, 3000));
    EXPECT_EQ(form.led_cisla->Caption(), "128 kb/s        01:40/03:20");
    EXPECT_TRUE(menu.Pedchoz1->isEnabled());
    EXPECT_TRUE(menu.Dal1->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.led_text->Caption() == "      Short      "; }, 3000));
}
