#include "HelpIcons.h"
#include "IniFile.h"
#include "MainMenu.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "TFormAbout.h"
#include "TFormHelp.h"
#include "TFormMain.h"
#include "TFormNast.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class SettingsDialogTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;
    QString path = dir.filePath("sonaro-klient.ini");
    IniFile ini{path};

    QByteArray file() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

// Closing by the title bar, as the window manager asks for it.
void closeByTitleBar(QWidget *window)
{
    window->close();
}

} // namespace

TEST_F(SettingsDialogTest, OpensOnTheSecondPageShowingTheStoredValues)
{
    ini.writeString("Hlavni", "AAPouzivat", "0");
    ini.writeString("Playlisty", "Pomatovat", "7"); // any non-zero is true
    TFormNast dialog(ini, prompts);
    EXPECT_EQ(dialog.windowTitle(), "Nastavení");
    EXPECT_EQ(dialog.size(), QSize(304, 344));
    EXPECT_EQ(dialog.PageControl->currentWidget(), dialog.pc_fastkey);
    EXPECT_EQ(dialog.PageControl->tabText(0), "Hlavní");
    EXPECT_EQ(dialog.PageControl->tabText(1), "Playlisty");
    EXPECT_FALSE(dialog.cb_aa->isChecked());
    EXPECT_TRUE(dialog.ph_fin->isChecked()); // missing: true
    EXPECT_TRUE(dialog.cb_ppl->isChecked());
    EXPECT_EQ(dialog.cb_aa->text(), "Používat automatické aktualizace");
    EXPECT_EQ(dialog.ph_fin->text(), "Pomatovat hledání");
    EXPECT_EQ(dialog.cb_ppl->text(), "Pomatovat playlist");
    EXPECT_EQ(dialog.lbl_pl_popist->text(),
              "Zde můžete nastavit některé vlastnosti playlist.\n  - Pomatovat playlist - nastavení, které zejistí "
              "že po\n     spuštění se nahraje poslední playlist.");
    EXPECT_EQ(dialog.lbl_hl_popis->text().count('\n'), 4);
    EXPECT_EQ(dialog.btn_cancel->text(), "Zrušit");
    EXPECT_FALSE(dialog.editor().changed());
}

TEST_F(SettingsDialogTest, OkWritesTheFileAndWarnsEachTimeUpdatesAreOff)
{
    {
        TFormNast dialog(ini, prompts);
        dialog.show();
        QTest::mouseClick(dialog.btn_ok, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(prompts.shown.isEmpty());
        EXPECT_EQ(ini.readString("Hlavni", "AAPouzivat", "-"), "1");
        EXPECT_EQ(ini.readString("Hlavni", "PomatovatFind", "-"), "1");
        EXPECT_EQ(ini.readString("Playlisty", "Pomatovat", "-"), "1");
    }
    for (int round = 1; round <= 2; ++round) {
        TFormNast dialog(ini, prompts);
        dialog.show();
        if (round == 1)
            dialog.cb_aa->click();
        EXPECT_FALSE(dialog.cb_aa->isChecked());
        QTest::mouseClick(dialog.btn_ok, Qt::LeftButton);
        EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message).size(), round);
        EXPECT_FALSE(ini.readBool("Hlavni", "AAPouzivat", true));
    }
    EXPECT_TRUE(prompts.texts(PromptRecorder::Kind::Message).first().startsWith("Vypnutím funkce automatické"));
}

TEST_F(SettingsDialogTest, TitleBarAsksOnlyAfterAChangeAndZrusitKeepsTheFile)
{
    {
        TFormNast dialog(ini, prompts);
        dialog.show();
        closeByTitleBar(&dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(prompts.shown.isEmpty());
        EXPECT_EQ(file(), "<missing>");
    }
    {
        TFormNast dialog(ini, prompts);
        dialog.show();
        dialog.PageControl->setCurrentIndex(0);
        dialog.ph_fin->click();
        dialog.ph_fin->click(); // back as it was: still counts as changed
        prompts.answers.enqueue(true);
        closeByTitleBar(&dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Confirm), QStringList{"Chcete uložit změny?"});
        EXPECT_TRUE(ini.readBool("Hlavni", "PomatovatFind", false));
    }
    const QByteArray saved = file();
    {
        TFormNast dialog(ini, prompts);
        dialog.show();
        dialog.cb_ppl->click();
        dialog.cb_aa->click();
        QTest::mouseClick(dialog.btn_cancel, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(file(), saved);
        EXPECT_EQ(prompts.shown.size(), 1); // only the earlier question
    }
    {
        // Escape goes the title bar's way.
        TFormNast dialog(ini, prompts);
        dialog.show();
        dialog.cb_ppl->click();
        prompts.answers.enqueue(false);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Confirm).size(), 2);
        EXPECT_EQ(file(), saved);
    }
}

TEST_F(SettingsDialogTest, FailedWriteIsShownAndTheDialogStaysOpen)
{
    ASSERT_TRUE(QDir().mkpath(path)); // the settings file's place is taken by a folder
    TFormNast dialog(ini, prompts);
    dialog.show();
    dialog.cb_ppl->click();
    QTest::mouseClick(dialog.btn_ok, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Error), QStringList{"Unable to write to " + path});

    // The close question's Yes fails the same way and the dialog stays.
    prompts.answers.enqueue(true);
    closeByTitleBar(&dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Error).size(), 2);

    // Zrušit still gets the user out.
    QTest::mouseClick(dialog.btn_cancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
}

// ---- Help window ----

TEST(HelpWindowTest, OpensOnTheIntroductionWithTheTreeCollapsed)
{
    QPointer<TFormHelp> help = new TFormHelp;
    EXPECT_TRUE(help->windowFlags() & Qt::Window);
    EXPECT_EQ(help->windowTitle(), "Nápověda - Sonaro Klient");
    EXPECT_EQ(help->lbl_content->text(), "Úvod");
    help->show();
    EXPECT_TRUE(help->re_content->toPlainText().contains("Sonaro Klient"));
    EXPECT_EQ(help->Menu->topLevelItemCount(), 3);
    for (int i = 0; i < help->Menu->topLevelItemCount(); ++i)
        EXPECT_FALSE(help->Menu->topLevelItem(i)->isExpanded());
    EXPECT_EQ(help->re_content->textCursor().position(), 0);
    for (const char *name : {"Úvod", "Novinky", "Stahování", "Automatická aktualizace"}) {
        QTreeWidgetItem *item = help->node(QString::fromUtf8(name));
        ASSERT_TRUE(item) << name;
        EXPECT_EQ(TFormHelp::imageIndex(item), HelpIcons::Page);
        EXPECT_FALSE(item->flags() & Qt::ItemIsEditable);
    }
    help->close();
    QTest::qWait(0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull()); // closing deletes the window
}

TEST(HelpWindowTest, EnterOnATopicShowsItAndFoldersOnlyOpenAndClose)
{
    TFormHelp help;
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    QTreeWidgetItem *folder = help.node("Ovládání programu");
    ASSERT_TRUE(folder);
    const QString intro = help.re_content->toPlainText();

    // Double-click on the folder: it opens, shows the open icon, the text stays.
    help.Menu->setCurrentItem(folder);
    const QPoint at = help.Menu->visualItemRect(folder).center();
    QTest::mouseDClick(help.Menu->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(folder->isExpanded());
    EXPECT_EQ(TFormHelp::imageIndex(folder), HelpIcons::OpenFolder);
    EXPECT_EQ(help.re_content->toPlainText(), intro);
    EXPECT_EQ(help.lbl_content->text(), "Úvod");
    QTest::mouseDClick(help.Menu->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(folder->isExpanded());
    EXPECT_EQ(TFormHelp::imageIndex(folder), HelpIcons::ClosedFolder);

    // Enter opens it the same way; then Enter on "Stahování" shows that topic.
    QTest::keyClick(help.Menu, Qt::Key_Return);
    EXPECT_TRUE(folder->isExpanded());
    help.Menu->setCurrentItem(help.node("Stahování"));
    QTest::keyClick(help.Menu, Qt::Key_Return);
    EXPECT_EQ(help.lbl_content->text(), "Stahování");
    EXPECT_TRUE(help.re_content->toPlainText().contains("Jak stáhnout"));
    EXPECT_EQ(help.re_content->textCursor().position(), 0);

    // Collapsing by its own arrow changes the icon too.
    folder->setExpanded(false);
    EXPECT_EQ(TFormHelp::imageIndex(folder), HelpIcons::ClosedFolder);

    // Nothing selected: Enter does nothing.
    help.Menu->clearSelection();
    QTest::keyClick(help.Menu, Qt::Key_Return);
    EXPECT_EQ(help.lbl_content->text(), "Stahování");
}

TEST(HelpWindowTest, ClicksInTheTextGiveTheFocusBackToTheTree)
{
    TFormHelp help;
    help.show();
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    help.Menu->clearFocus();
    QTest::mouseClick(help.re_content->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_TRUE(help.Menu->hasFocus());
    EXPECT_FALSE(help.re_content->textCursor().hasSelection());
}

// ---- About window ----

class AboutWindowTest : public ::testing::Test
{
protected:
    PromptRecorder prompts;
    MainState state;
    TFormAbout about{prompts, state};

    void type(const char *keys)
    {
        for (const char *k = keys; *k; ++k)
            QTest::keyClick(&about, *k == ' ' ? Qt::Key_Space : Qt::Key(*k));
    }
};

TEST_F(AboutWindowTest, ShowsNameVersionAndPictures)
{
    EXPECT_EQ(about.size(), QSize(266, 384));
    EXPECT_EQ(about.windowTitle(), "Sonaro Klient");
    EXPECT_EQ(about.lbl_verze->text(), "Verze: 0.3");
    EXPECT_EQ(about.Label2->text(), "Sonaro Klient");
    EXPECT_TRUE(about.lbl_pocet->text().isEmpty());
    ASSERT_FALSE(about.Logo->pixmap().isNull());
    EXPECT_EQ(about.Logo->pixmap().size(), QSize(250, 116));
    EXPECT_FALSE(about.HiddenPhoto->pixmap().isNull());
    EXPECT_FALSE(about.Technika->pixmap().isNull());
    EXPECT_TRUE(about.HiddenPhoto->isHidden() && about.Technika->isHidden() && about.Pozadi->isHidden());
    // Paint order: the name on top of everything, the notice at the back.
    const QObjectList order = about.children();
    EXPECT_LT(order.indexOf(about.Label1), order.indexOf(about.Pozadi));
    EXPECT_LT(order.indexOf(about.HiddenPhoto), order.indexOf(about.Technika));
    EXPECT_LT(order.indexOf(about.Technika), order.indexOf(about.Label2));
}

TEST_F(AboutWindowTest, GetKidShowsTheClientIdAsItIsNow)
{
    type("GETKID");
    state.ClientId = 4711;
    type("GETXGETKID");
    type("GGETKID");
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message),
              (QStringList{"ID Klienta je : -1", "ID Klienta je : 4711"}));
    // Shift held down over the whole word: its own press comes first, the
    // letters still match.
    const auto press = [this](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&about, &event);
    };
    press(Qt::Key_Shift, Qt::ShiftModifier);
    for (const int key : {Qt::Key_G, Qt::Key_E, Qt::Key_T, Qt::Key_K, Qt::Key_I, Qt::Key_D})
        press(key, Qt::ShiftModifier);
    EXPECT_EQ(prompts.shown.size(), 3);
    // Pressing Shift in the middle of the word starts it over.
    type("GE");
    press(Qt::Key_Shift, Qt::ShiftModifier);
    type("TKID");
    EXPECT_EQ(prompts.shown.size(), 3);
}

TEST_F(AboutWindowTest, TypedWordsToggleThePictures)
{
    type("TECHNIKA");
    EXPECT_TRUE(about.Technika->isVisibleTo(&about));
    EXPECT_TRUE(about.Pozadi->isVisibleTo(&about));
    type("TECHNIKA");
    EXPECT_TRUE(about.Technika->isHidden());
    EXPECT_TRUE(about.Pozadi->isHidden());

    const QByteArray photoWord = TFormAbout::Words[TFormAbout::PhotoWord];
    type("TECHNIKA");
    type(photoWord.constData()); // hides Technika, shows the photo; the background stays
    EXPECT_TRUE(about.Technika->isHidden());
    EXPECT_TRUE(about.HiddenPhoto->isVisibleTo(&about));
    EXPECT_TRUE(about.Pozadi->isVisibleTo(&about));
    type(photoWord.constData());
    EXPECT_TRUE(about.HiddenPhoto->isHidden());
    EXPECT_TRUE(prompts.shown.isEmpty());

    type(TFormAbout::Words[TFormAbout::AuthorsWord].constData());
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message), QStringList{TFormAbout::AuthorsMessage});
}

TEST_F(AboutWindowTest, EscapeDoesNotCloseButTheTitleBarDoes)
{
    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    about.close();
    EXPECT_FALSE(about.isVisible());
}

// ---- The main menu opens them ----

TEST(DialogMenuTest, MenuCommandsOpenTheThreeWindows)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    TFormMain form({dir.filePath("k.ini"), dir.filePath("keys"), &prompts});
    form.state().DatabaseCountText = "V naší databázi je: 12 MP3";

    QString count;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<TFormAbout *>(QApplication::activeModalWidget());
        if (about) {
            count = about->lbl_pocet->text();
            about->close();
        }
    });
    form.menu().Oprogramu1->trigger();
    EXPECT_EQ(count, "V naší databázi je: 12 MP3");

    bool settingsShown = false;
    QTimer::singleShot(0, [&] {
        auto *settings = qobject_cast<TFormNast *>(QApplication::activeModalWidget());
        if (settings) {
            settingsShown = true;
            settings->cb_ppl->click();
            settings->btn_ok->click();
        }
    });
    form.menu().Nastaven1->trigger();
    EXPECT_TRUE(settingsShown);
    EXPECT_FALSE(IniFile(dir.filePath("k.ini")).readBool("Playlisty", "Pomatovat", true));

    const auto helpWindows = [] {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += qobject_cast<TFormHelp *>(w) && w->isVisible();
        return n;
    };
    const int before = helpWindows();
    form.menu().Npovdaprogramu1->trigger();
    form.menu().Npovdaprogramu1->trigger();
    EXPECT_EQ(helpWindows(), before + 2);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<TFormHelp *>(w))
            w->close();
}
