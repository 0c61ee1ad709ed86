#include "ClientIdStore.h"
#include "LogoWidget.h"
#include "MainMenu.h"
#include "MenuCaptions.h"
#include "PanelBar.h"
#include "PromptRecorder.h"
#include "TLoopbackServer.h"
#include "ProgramConstants.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TFormDown.h"
#include "TLEDLabel.h"
#include "UserKeyStore.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>

#include <gtest/gtest.h>

#include <memory>

namespace {

using MenuCaptions::mnemonicOf;
using MenuCaptions::shown;

// Takes the addresses the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TFormMainTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;
    // The service the start-up window asks: it knows no newer version.
    TLoopbackServer service;
    void SetUp() override
    {
        service.SetReply({TLoopbackServer::Response(
            "<u data=\"updater\" kid=\"-1\" newver=\"ne\" jezprava=\"ne\"><c>0</c></u>")});
    }

    QString iniPath() const { return dir.filePath("sonaro-klient.ini"); }
    QString keyRoot() const { return dir.filePath("keys"); }
    // The engine plays on the audio library's silent device.
    MainEnvironment environment()
    {
        return {iniPath(), keyRoot(), &prompts, service.Url("/"), QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")), 0};
    }
    QByteArray ini() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void putIni(const QByteArray &bytes)
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

// Results with the hidden rating column filled in.
std::unique_ptr<QStandardItemModel> resultsModel(const QString &permission)
{
    auto model = std::make_unique<QStandardItemModel>(2, 11);
    model->setItem(0, 0, new QStandardItem("a"));
    model->setItem(0, TFormMain::RatingPermissionColumn, new QStandardItem(permission));
    model->setItem(1, 0, new QStandardItem("b"));
    return model;
}

void selectRow(QTreeView *view, int row)
{
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

TEST_F(TFormMainTest, ControlsSitWhereTheFormPutsThem)
{
    TFormMain form(environment());
    EXPECT_EQ(form.objectName(), "FormMain");
    EXPECT_EQ(form.windowTitle(), "Sonaro Klient");
    EXPECT_EQ(form.centralWidget()->size(), QSize(892, 574));
    // Fixed size: the client area plus the menu bar, no resizing, no maximise.
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.minimumHeight(), 574 + form.menuBar()->sizeHint().height());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);

    const struct
    {
        const char *name;
        QRect place;
    } controls[] = {
        {"logo_border", {6, 5, 210, 103}}, {"bt_play", {224, 8, 28, 28}},     {"bt_pause", {256, 8, 28, 28}},
        {"bt_stop", {288, 8, 28, 28}},     {"player_volume", {320, 0, 41, 41}}, {"led_text", {368, 0, 273, 25}},
        {"led_cisla", {368, 25, 273, 17}}, {"edt_find", {656, 10, 153, 25}},  {"btn_find", {808, 10, 73, 25}},
        {"lbl_find", {656, 42, 225, 13}},  {"bar_bg", {224, 44, 417, 17}},    {"bar_down", {225, 45, 416, 16}},
        {"bar_play", {225, 45, 416, 16}},  {"list_mp3", {224, 64, 665, 497}}, {"list_play", {5, 114, 212, 447}},
    };
    for (const auto &c : controls) {
        auto *w = form.centralWidget()->findChild<QWidget *>(c.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->geometry(), c.place) << c.name;
    }
    EXPECT_TRUE(form.logo_border->geometry().contains(form.logo->geometry()));
    EXPECT_EQ(form.btn_find->text(), "Hledat");
    EXPECT_EQ(form.lbl_find->text(), "Sonaro Klient");
    EXPECT_TRUE(form.lbl_find->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(form.led_text->Caption(), "      Klient     ");
    EXPECT_EQ(form.led_cisla->Caption(), QString(16, u' ') + "00:00/00:00");
    for (QToolButton *b : {form.bt_play, form.bt_pause, form.bt_stop})
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    // The played bar is drawn above the downloaded one, both above the frame.
    const QObjectList order = form.centralWidget()->children();
    EXPECT_LT(order.indexOf(form.bar_bg), order.indexOf(form.bar_down));
    EXPECT_LT(order.indexOf(form.bar_down), order.indexOf(form.bar_play));
}

TEST_F(TFormMainTest, FetchersTimersAndDialogsAreSetUp)
{
    TFormMain form(environment());
    for (THTTPGet *f : {form.HTTPGetFind, form.HTTPGetGet, form.HTTPGetHod}) {
        EXPECT_EQ(f->Agent, "Sonaro Client");
        EXPECT_EQ(f->AcceptTypes, "*/*");
        EXPECT_FALSE(f->UseCache);
        EXPECT_TRUE(f->PostQuery.isEmpty());
        EXPECT_EQ(f->parent(), &form);
    }
    EXPECT_EQ(form.player_timer->interval(), 250);
    EXPECT_EQ(form.led_timer->interval(), 500);
    EXPECT_FALSE(form.player_timer->isActive());
    EXPECT_FALSE(form.led_timer->isActive());
    EXPECT_EQ(form.svd_mp3.title, "Uložit MP3");
    EXPECT_EQ(form.svd_mp3.filter, "MP3 (*.mp3)|*.mp3");
    EXPECT_EQ(form.SD_PL.fileName, "Playlist");
    EXPECT_EQ(form.SD_PL.folder(), "");
    EXPECT_EQ(form.OD_PL.filter, "Sonaro Klient playlist (*.kpl)|*.kpl");
    EXPECT_EQ(form.state().ClientId, -1);
    EXPECT_EQ(form.state().Player, nullptr);
}

TEST_F(TFormMainTest, MenusFollowTheCommandTable)
{
    TFormMain form(environment());
    QStringList tops;
    for (QAction *a : form.menuBar()->actions())
        tops << shown(a);
    EXPECT_EQ(tops, (QStringList{"MP3", "Playlist", "Přehrávač", "Program", "Nápověda"}));

    const struct
    {
        const char *name;
        const char *caption;
        const char *keys;
        bool visible;
        bool enabled;
    } items[] = {
        {"Pehrt2", "Přehrát", "", true, true},
        {"Sthnout2", "Stáhnout ...", "", true, true},
        {"Pehrt4", "Přehrát", "", false, true},
        {"Sthnout4", "Stáhnout ...", "", false, true},
        {"Pidatdoplaylistu2", "Přidat do playlistu", "Ctrl+A", true, true},
        {"Odebratzplaylist1", "Odebrat z playlistu", "Ctrl+D", false, true},
        {"Hodnocen2", "Hodnocení", "", true, true},
        {"Novplaylist1", "Nový playlist", "Ctrl+N", true, true},
        {"Otevtplaylist1", "Otevřít playlist ...", "Ctrl+O", true, true},
        {"Uloitplaylist1", "Uložit playlist", "Ctrl+S", true, true},
        {"Uloitplaylistjako2", "Uložit playlist jako ...", "", true, true},
        {"Play1", "Play", "F5", true, false},
        {"Pause1", "Pause", "F6", true, false},
        {"Stop1", "Stop", "F7", true, false},
        {"Pedchoz1", "Předchozí", "F3", true, false},
        {"Dal1", "Další", "F4", true, false},
        {"Nastaven1", "Nastavení", "", true, true},
        {"Npovdaprogramu1", "Nápověda programu", "F1", true, true},
        {"SonaroWeb1", "Sonaro Web", "F11", true, true},
        {"Oprogramu1", "O programu", "F12", true, true},
    };
    for (const auto &i : items) {
        auto *a = form.menuBar()->findChild<QAction *>(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(shown(a), QString::fromUtf8(i.caption)) << i.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(i.keys))) << i.name;
        EXPECT_EQ(a->isVisible(), i.visible) << i.name;
        // A hidden action is also disabled in the toolkit, so its shortcut is dead.
        EXPECT_EQ(a->isEnabled(), i.enabled && i.visible) << i.name;
    }
    // Separators where the table has them, and the rating submenu.
    const auto separatorsBefore = [](QMenu *menu) {
        QStringList out;
        QString previousText;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                out << previousText;
            previousText = shown(a);
        }
        return out;
    };
    const MainMenu &m = form.menu();
    EXPECT_EQ(separatorsBefore(m.MP31), QStringList{"Stáhnout ..."});
    EXPECT_EQ(separatorsBefore(m.Playlist1), (QStringList{"Nový playlist", "Otevřít playlist ..."}));
    EXPECT_EQ(separatorsBefore(m.Pehrva1), QStringList{"Stop"});
    EXPECT_EQ(separatorsBefore(m.Npovda1), QStringList{"Sonaro Web"});
    QStringList stars;
    for (QAction *a : m.Hvezdicky)
        stars << shown(a);
    EXPECT_EQ(stars, (QStringList{"1 hvězdička", "2 hvězdičky", "3 hvězdičky", "4 hvězdičky", "5 hvězdiček"}));
    EXPECT_EQ(m.Hodnocen2->menu(), m.Hodnocen2Menu);
}

TEST_F(TFormMainTest, EveryMenuCaptionHasItsOwnMnemonic)
{
    TFormMain form(environment());
    QList<QList<QAction *>> menus{form.menuBar()->actions()};
    for (QAction *top : form.menuBar()->actions())
        menus << top->menu()->actions();
    menus << form.menu().Hodnocen2Menu->actions();
    for (const QList<QAction *> &menu : menus) {
        QHash<QString, QString> captionOfLetter;
        for (const QAction *a : menu) {
            if (a->isSeparator())
                continue;
            const QString letter = mnemonicOf(a);
            ASSERT_FALSE(letter.isEmpty()) << a->objectName().toStdString();
            EXPECT_EQ(a->text().count(u'&'), 1) << a->objectName().toStdString();
            // Only the results' and the playlist's "Přehrát" (never shown together) share one.
            EXPECT_EQ(captionOfLetter.value(letter, shown(a)), shown(a)) << a->objectName().toStdString();
            captionOfLetter.insert(letter, shown(a));
        }
    }
    EXPECT_EQ(mnemonicOf(form.menu().Play1), "p");
    EXPECT_EQ(mnemonicOf(form.menu().Pause1), "a");

    // A screen reader reads the captions without the marks.
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(form.menuBar());
    ASSERT_NE(bar, nullptr);
    QStringList names;
    for (int i = 0; i < bar->childCount(); ++i)
        names << bar->child(i)->text(QAccessible::Name);
    EXPECT_EQ(names, (QStringList{"MP3", "Playlist", "Přehrávač", "Program", "Nápověda"}));
    QAccessibleInterface *player = QAccessible::queryAccessibleInterface(form.menu().Pehrva1);
    ASSERT_NE(player, nullptr);
    ASSERT_GE(player->childCount(), 1);
    EXPECT_EQ(player->child(0)->text(QAccessible::Name), "Play");
}

TEST_F(TFormMainTest, Mp3MenuFollowsFocusAndSelectionWhenItOpens)
{
    TFormMain form(environment());
    auto results = resultsModel("true");
    auto playlist = std::make_unique<QStandardItemModel>(1, 4);
    form.list_mp3->setModel(results.get());
    form.list_play->setModel(playlist.get());
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const MainMenu &m = form.menu();

    form.list_mp3->setFocus();
    selectRow(form.list_mp3, 0);
    emit m.MP31->aboutToShow();
    EXPECT_TRUE(m.Pidatdoplaylistu2->isVisible() && m.Pidatdoplaylistu2->isEnabled());
    EXPECT_TRUE(m.Hodnocen2->isVisible());
    EXPECT_FALSE(m.Odebratzplaylist1->isVisible());

    selectRow(form.list_mp3, 1); // no rating permission on this row
    emit m.MP31->aboutToShow();
    EXPECT_FALSE(m.Hodnocen2->isVisible());
    EXPECT_TRUE(m.Pidatdoplaylistu2->isVisible());

    form.list_play->setFocus();
    selectRow(form.list_play, 0);
    emit m.MP31->aboutToShow();
    EXPECT_FALSE(m.Pehrt2->isVisible());
    EXPECT_TRUE(m.Pehrt4->isVisible() && m.Pehrt4->isEnabled());
    EXPECT_TRUE(m.Odebratzplaylist1->isVisible() && m.Odebratzplaylist1->isEnabled());
    EXPECT_FALSE(m.Pidatdoplaylistu2->isVisible());

    form.edt_find->setFocus();
    emit m.MP31->aboutToShow();
    EXPECT_TRUE(m.Pehrt2->isVisible());
    EXPECT_FALSE(m.Pehrt2->isEnabled());
    EXPECT_FALSE(m.Odebratzplaylist1->isVisible());
    form.close();
}

TEST_F(TFormMainTest, Mp3ShortcutsActOnlyWhereTheMenuRuleAllows)
{
    TFormMain form(environment());
    auto results = resultsModel("false");
    auto playlist = std::make_unique<QStandardItemModel>(1, 4);
    form.list_mp3->setModel(results.get());
    form.list_play->setModel(playlist.get());
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    int added = 0;
    int removed = 0;
    QObject::connect(form.menu().Pidatdoplaylistu2, &QAction::triggered, [&] { ++added; });
    QObject::connect(form.menu().Odebratzplaylist1, &QAction::triggered, [&] { ++removed; });

    // Results list focused, nothing selected: Ctrl+A does nothing.
    form.list_mp3->setFocus();
    QTest::keyClick(form.list_mp3, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(added, 0);
    selectRow(form.list_mp3, 0);
    QTest::keyClick(form.list_mp3, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(added, 1);
    // Ctrl+D removes only from a focused playlist with a selected entry.
    QTest::keyClick(form.list_mp3, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(removed, 0);
    form.list_play->setFocus();
    selectRow(form.list_play, 0);
    QTest::keyClick(form.list_play, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(removed, 1);
    QTest::keyClick(form.list_play, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(added, 1);
    // Disabled player items ignore their keys.
    int played = 0;
    QObject::connect(form.menu().Play1, &QAction::triggered, [&] { ++played; });
    QTest::keyClick(form.list_play, Qt::Key_F5);
    EXPECT_EQ(played, 0);
    form.close();
}

TEST_F(TFormMainTest, LogoAndSonaroWebOpenTheWebSite)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    TFormMain form(environment());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.logo, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseClick(form.logo, Qt::RightButton, {}, QPoint(20, 20)); // not a click on the link
    form.menu().SonaroWeb1->trigger();
    QDesktopServices::unsetUrlHandler("http");
    const QUrl site(QString::fromLatin1(ProgramConstants::WebSiteUrl));
    EXPECT_EQ(catcher.opened, (QList<QUrl>{site, site}));
    EXPECT_EQ(site.scheme(), "http");
    form.close();
}

TEST_F(TFormMainTest, StartReadsSettingsAndClientId)
{
    putIni("[Hlavni]\nPomatovatFind=1\nPosledniFind=Kabát\n[Cesty]\nPLS=/pls\nPLO=/plo\nMP3D=/mp3\n");
    ASSERT_TRUE(ClientIdStore::write(UserKeyStore(keyRoot()), "4711"));
    TFormMain form(environment());
    EXPECT_EQ(form.state().ClientId, 4711);
    EXPECT_EQ(form.edt_find->text(), QStringLiteral("Kabát"));
    EXPECT_EQ(form.SD_PL.initialFolder, "/pls");
    EXPECT_EQ(form.OD_PL.initialFolder, "/plo");
    EXPECT_EQ(form.svd_mp3.initialFolder, "/mp3");
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(TFormMainTest, RememberedSearchOffAndDamagedClientIdStillStart)
{
    putIni("[Hlavni]\nPomatovatFind=0\nPosledniFind=Kabát\n");
    ASSERT_TRUE(UserKeyStore(keyRoot()).writeString(ProgramConstants::ClientIdKeyPath, "HashCode", "not hex"));
    TFormMain form(environment());
    EXPECT_EQ(form.state().ClientId, -1);
    EXPECT_TRUE(form.edt_find->text().isEmpty());
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(TFormMainTest, FirstShowStartsTimersAndPlacesTheWindow)
{
    TFormMain form(environment());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.player_timer->isActive());
    EXPECT_TRUE(form.led_timer->isActive());
    EXPECT_EQ(form.state().BarScale, 416);
    EXPECT_EQ(form.bar_down->width(), 0);
    EXPECT_EQ(form.bar_play->width(), 0);
    // No stored position: centred on the screen (the frame's margins are
    // known only once it is shown, hence the tolerance).
    const QRect screen = form.screen()->geometry();
    EXPECT_NEAR(form.x(), (screen.width() - form.frameGeometry().width()) / 2, 4);
    EXPECT_NEAR(form.y(), (screen.height() - form.frameGeometry().height()) / 2, 4);
    form.close();
}

TEST_F(TFormMainTest, CloseWritesPositionVolumePlaylistSearchAndFolders)
{
    {
        TFormMain form(environment());
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.move(40, 30);
        form.edt_find->setText(QStringLiteral("Žlutý pes"));
        form.OD_PL.fileName = dir.filePath("lists/a.kpl");
        ASSERT_TRUE(form.close());
        EXPECT_EQ(form.settingsFile(), nullptr); // released
    }
    const QString expected = QStringLiteral("[Hlavni]\nAAPouzivat=1\nPomatovatFind=1\nPosledniFind=Žlutý pes\n"
                                            "[Playlisty]\nPomatovat=1\nPosledni=no\n"
                                            "[Okno]\nTop=30\nLeft=40\nVolume=255\n"
                                            "[Cesty]\nPLS=\nPLO=%1\nMP3D=\n")
                                 .arg(dir.filePath("lists"));
    EXPECT_EQ(QString::fromUtf8(ini()), expected);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(TFormMainTest, UnwritableSettingsAreReportedAndTheWindowStillCloses)
{
    const QString folder = dir.filePath("gone");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/sonaro-klient.ini";
    MainEnvironment unwritable = environment();
    unwritable.iniPath = path;
    TFormMain form(unwritable);
    // The folder turns into a plain file: no write can reach it any more.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    form.show();
    EXPECT_TRUE(form.close());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, PromptRecorder::Kind::Error);
    EXPECT_EQ(prompts.shown[0].text, "Unable to write to " + path);
    EXPECT_EQ(prompts.shown[0].caption, "Chyba");
    EXPECT_FALSE(form.isVisible());
}

TEST_F(TFormMainTest, CtrlAIsTheFocusedControlsOwnWhereTheMenuRuleDisablesAdding)
{
    TFormMain form(environment());
    auto results = resultsModel("false");
    form.list_mp3->setModel(results.get());
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    int added = 0;
    QObject::connect(form.menu().Pidatdoplaylistu2, &QAction::triggered, [&] { ++added; });
    int ambiguous = 0;
    for (QShortcut *s : form.findChildren<QShortcut *>())
        QObject::connect(s, &QShortcut::activatedAmbiguously, [&] { ++ambiguous; });

    // A result is selected, but the search box has the focus: select all there.
    selectRow(form.list_mp3, 0);
    form.edt_find->setText(QStringLiteral("Kabát"));
    form.edt_find->setFocus();
    form.edt_find->deselect();
    QTest::keyClick(form.edt_find, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.edt_find->selectedText(), QStringLiteral("Kabát"));
    EXPECT_EQ(added, 0);
    EXPECT_EQ(ambiguous, 0);

    // In the results list with a selected row the key adds it.
    form.list_mp3->setFocus();
    QTest::keyClick(form.list_mp3, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(ambiguous, 0);
    form.close();
}

TEST_F(TFormMainTest, TerminationEndsDownloadsWithoutAskingAndReportsOnStandardError)
{
    // A download that has received part of its file and then stalls.
    TLoopbackServer files;
    TLoopbackReply partial;
    partial.Bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(4000, 'x');
    partial.StallAfter = partial.Bytes.size();
    files.SetReply(partial);

    const QString folder = dir.filePath("gone");
    ASSERT_TRUE(QDir().mkpath(folder));
    MainEnvironment unwritable = environment();
    unwritable.iniPath = folder + "/sonaro-klient.ini";
    TFormMain form(unwritable);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const QString target = dir.filePath("song.mp3");
    QPointer<TFormDown> down = TFormDown::start(prompts, files.Url("/song.mp3"), target, "Song", "Song Album");
    ASSERT_TRUE(QTest::qWaitFor([&] { return down && down->Progress().Procent() == "4 %"; }, 10000));

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings.append(text); });
    form.terminate();
    qInstallMessageHandler(previous);

    ASSERT_TRUE(QTest::qWaitFor([&] { return down.isNull(); }, 5000));
    // As main does before the program ends.
    EXPECT_TRUE(THTTPGet::WaitForWorkers(5000));
    EXPECT_FALSE(form.isVisible());
    // No question, no box: both would keep a logout waiting.
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.size();
    EXPECT_TRUE(warnings.contains("Chyba: Unable to write to " + unwritable.iniPath)) << warnings.join('\n').toStdString();
    // What arrived stays on disk for a later resume, as after a failed download.
    QFile written(target + ".part");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray(4000, 'x'));
    EXPECT_FALSE(QFile::exists(target));
}

#include "TFormMainTest.moc"
