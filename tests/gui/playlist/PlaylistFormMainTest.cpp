// The playlist wired into the main window: reopening at start, the path
// stored at close, the menu items, and the drops that reach the window.
#include "DeliverDrop.h"
#include "MainMenu.h"
#include "PlaylistController.h"
#include "PlaylistFormat.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PromptRecorder.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TKnob.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

PlaylistEntry entry(const char *name)
{
    return {QByteArray(name), "1:00", QByteArray("http://h/") + name + ".mp3", QByteArray(name), false};
}

class PlaylistFormMainTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;

    // No audio library: showing the window stops before the engine and the
    // start-up check, which these tests do not need.
    MainEnvironment environment()
    {
        return {.iniPath = dir.filePath("k.ini"),
                .keyStoreRoot = dir.filePath("keys"),
                .prompts = &prompts,
                .audioLibraryFolder = dir.filePath("nolib")};
    }
    QString kpl() const { return dir.filePath("Oblíbené.kpl"); }
    void put(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray ini()
    {
        QFile f(dir.filePath("k.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(PlaylistFormMainTest, LastPlaylistReopensAtStartAndItsPathIsStoredAtClose)
{
    put(kpl(), PlaylistFormat::fileContent({entry("A"), entry("B")}));
    put(dir.filePath("k.ini"), "[Playlisty]\nPomatovat=1\nPosledni=" + kpl().toUtf8() + "\n");
    TFormMain form(environment());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(prompts.texts(PromptRecorder::Kind::Message).isEmpty());
    EXPECT_EQ(form.playlist().model().rowCount(), 2);
    EXPECT_EQ(form.playlist().model().caption(), QStringLiteral("Oblíbené"));

    form.menu().Novplaylist1->trigger();
    form.close();
    EXPECT_TRUE(ini().contains("Posledni=no"));
}

TEST_F(PlaylistFormMainTest, OpenedPlaylistIsRememberedAndMissingOneReported)
{
    put(dir.filePath("k.ini"), "[Playlisty]\nPosledni=\n");
    {
        TFormMain form(environment());
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message), QStringList{"Soubor  neexistuje."});
        put(kpl(), PlaylistFormat::fileContent({entry("A")}));
        prompts.fileNames.enqueue(kpl());
        form.menu().Otevtplaylist1->trigger();
        EXPECT_EQ(form.playlist().model().rowCount(), 1);
        // Ctrl+S on an opened playlist writes it back without a dialog.
        form.playlist().model().insertEntry(0, entry("Z"));
        form.menu().Uloitplaylist1->trigger();
        EXPECT_EQ(prompts.texts(PromptRecorder::Kind::SaveFile).size(), 0);
        form.close();
    }
    EXPECT_TRUE(ini().contains(("Posledni=" + kpl()).toUtf8()));
    QFile f(kpl());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), PlaylistFormat::fileContent({entry("Z"), entry("A")}));
}

TEST_F(PlaylistFormMainTest, DropsOnTheWindow)
{
    TFormMain form(environment());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PlaylistModel &model = form.playlist().model();
    model.setEntries({entry("1"), entry("2"), entry("3")});

    // A result dropped on the second row asks for the track at index 1.
    QMimeData result;
    result.setData(PlaylistView::ResultRowMimeType, "77");
    const QPoint second = form.list_play->visualRect(model.index(1, 0)).center();
    ASSERT_TRUE(deliverDrop(form.list_play->viewport(), second, &result));
    const QByteArray url = form.HTTPGetGet->URL;
    form.HTTPGetGet->Abort();
    EXPECT_TRUE(url.endsWith("?act=add&id=77&kam=1")) << url.toStdString();

    // A playlist row dropped on the search box or the results list is
    // deleted; on the knob it stays.
    form.list_play->selectRow(0);
    std::unique_ptr<QMimeData> row(model.mimeData({model.index(0, 0)}));
    deliverDrop(form.player_volume, QPoint(5, 5), row.get());
    EXPECT_EQ(model.rowCount(), 3);
    ASSERT_TRUE(deliverDrop(form.edt_find, QPoint(5, 5), row.get()));
    EXPECT_EQ(model.rowCount(), 2);
    form.list_play->selectRow(0);
    row.reset(model.mimeData({model.index(0, 0)}));
    ASSERT_TRUE(deliverDrop(form.list_mp3->viewport(), QPoint(20, 40), row.get()));
    EXPECT_EQ(model.rowCount(), 1);

    // The MP3 menu's playlist items act on the selected entry.
    form.list_play->selectRow(0);
    form.menu().Sthnout4->trigger();
    EXPECT_TRUE(form.HTTPGetGet->URL.endsWith("?act=down&id=3")) << form.HTTPGetGet->URL.toStdString();
    form.HTTPGetGet->Abort();
    form.menu().Odebratzplaylist1->trigger();
    EXPECT_EQ(model.rowCount(), 0);
    form.close();
}
