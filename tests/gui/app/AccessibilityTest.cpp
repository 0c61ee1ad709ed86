#include "MainEnvironment.h"
#include "PanelBar.h"
#include "PromptRecorder.h"
#include "TFormMain.h"
#include "TKnob.h"
#include "TLEDLabel.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(Accessibility, EveryControlOfTheMainWindowHasANameAndARole)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    TFormMain form(MainEnvironment{dir.filePath("k.ini"), dir.filePath("keys"), &prompts, "http://127.0.0.1:1/",
                                   QString(), 0});
    const struct
    {
        QWidget *control;
        QAccessible::Role role;
        const char *name;
    } expected[] = {
        {form.bt_play, QAccessible::Button, "Přehrát"},
        {form.bt_pause, QAccessible::Button, "Pauza"},
        {form.bt_stop, QAccessible::Button, "Stop"},
        {form.player_volume, QAccessible::Dial, "Hlasitost"},
        {form.led_text, QAccessible::StaticText, "Skladba: Klient"},
        {form.led_cisla, QAccessible::StaticText, "Čas: 00:00/00:00"},
        {form.edt_find, QAccessible::EditableText, "Hledat"},
        {form.btn_find, QAccessible::Button, "Hledat"},
        {form.lbl_find, QAccessible::StaticText, "Stav"},
        {form.bar_down, QAccessible::ProgressBar, "Staženo"},
        {form.bar_play, QAccessible::ProgressBar, "Přehráno"},
        {form.list_play, QAccessible::Tree, "Playlist"},
    };
    for (const auto &e : expected) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(e.control);
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(a->role(), e.role) << e.name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(e.name));
    }
    QAccessibleInterface *results = QAccessible::queryAccessibleInterface(form.list_mp3);
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->text(QAccessible::Name), QStringLiteral("Výsledky hledání"));
}

TEST(Accessibility, KnobAndBarsTellTheirValues)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    TFormMain form(MainEnvironment{dir.filePath("k.ini"), dir.filePath("keys"), &prompts, "http://127.0.0.1:1/",
                                   QString(), 0});
    QAccessibleInterface *knob = QAccessible::queryAccessibleInterface(form.player_volume);
    ASSERT_NE(knob, nullptr);
    QAccessibleValueInterface *value = knob->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 255);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 255);
    form.player_volume->setPosition(100);
    EXPECT_EQ(value->currentValue().toInt(), 100);
    EXPECT_EQ(knob->text(QAccessible::Value), "100");
    // Assistive technology may turn the knob as the mouse does.
    value->setCurrentValue(40);
    EXPECT_EQ(form.player_volume->Position(), 40);

    // The played part at half the bar's inner width is 50 %.
    form.bar_play->resize(208, form.bar_play->height());
    QAccessibleInterface *played = QAccessible::queryAccessibleInterface(form.bar_play);
    ASSERT_NE(played, nullptr);
    ASSERT_NE(played->valueInterface(), nullptr);
    EXPECT_EQ(played->valueInterface()->currentValue().toInt(), 50);
    EXPECT_EQ(played->text(QAccessible::Value), "50 %");

    // The LED shows what it says.
    form.led_text->setCaption(QStringLiteral("  Kabát - Pohoda  "));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.led_text)->text(QAccessible::Value),
              QStringLiteral("Kabát - Pohoda"));
}
