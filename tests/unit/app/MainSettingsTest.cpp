#include "IniFile.h"
#include "IniWriteError.h"
#include "MainSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MainSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("sonaro-klient.ini"); }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void put(const QByteArray &bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The start-up steps in their order.
    void runStart(MainSettings &s, std::optional<QString> &search, std::optional<QString> &playlist)
    {
        s.ensureUpdateOfferKey();
        search = s.searchToRepeat();
        playlist = s.playlistToReopen();
    }
};

} // namespace

TEST_F(MainSettingsTest, FirstRunWritesExactlyTheThreeSwitches)
{
    IniFile ini(path());
    MainSettings s(ini);
    std::optional<QString> search, playlist;
    runStart(s, search, playlist);
    EXPECT_EQ(contents(), QByteArray("[Hlavni]\nAAPouzivat=1\nPomatovatFind=1\n[Playlisty]\nPomatovat=1\n"));
    // Remembering is on, but there is nothing to repeat and nothing to reopen.
    ASSERT_TRUE(search.has_value());
    EXPECT_TRUE(search->isEmpty());
    EXPECT_FALSE(playlist.has_value());
    const auto folders = s.dialogFolders();
    EXPECT_TRUE(folders.playlistSave.isEmpty() && folders.playlistOpen.isEmpty() && folders.mp3Save.isEmpty());
    EXPECT_FALSE(s.takeWriteFailure().has_value());
}

TEST_F(MainSettingsTest, PresentSwitchesKeepTheirValueWhateverItIs)
{
    const QByteArray before = "[Hlavni]\nAAPouzivat=0\nPomatovatFind=ano\nPosledniFind=Kabát\n"
                              "[Playlisty]\nPomatovat=\nPosledni=/home/eva/a.kpl\n";
    put(before);
    IniFile ini(path());
    MainSettings s(ini);
    std::optional<QString> search, playlist;
    runStart(s, search, playlist);
    EXPECT_EQ(contents(), before);
    // "ano" and "" are not integers: the default true applies.
    EXPECT_EQ(search.value_or("<none>"), QStringLiteral("Kabát"));
    EXPECT_EQ(playlist.value_or("<none>"), "/home/eva/a.kpl");
}

TEST_F(MainSettingsTest, SwitchedOffRemembersNothing)
{
    put("[Hlavni]\nPomatovatFind=0\nPosledniFind=Kabát\n[Playlisty]\nPomatovat=0\nPosledni=/a.kpl\n");
    IniFile ini(path());
    MainSettings s(ini);
    EXPECT_FALSE(s.searchToRepeat().has_value());
    EXPECT_FALSE(s.playlistToReopen().has_value());
}

TEST_F(MainSettingsTest, OnlyTheExactNoMeansNoPlaylist)
{
    IniFile ini(path());
    MainSettings s(ini);
    put("[Playlisty]\nPomatovat=1\nPosledni=no\n");
    EXPECT_FALSE(s.playlistToReopen().has_value());
    // An empty path is not "no": the load is attempted (and reported there).
    put("[Playlisty]\nPomatovat=1\nPosledni=\n");
    EXPECT_EQ(s.playlistToReopen().value_or("<none>"), "");
    put("[Playlisty]\nPomatovat=1\nPosledni=NO\n");
    EXPECT_EQ(s.playlistToReopen().value_or("<none>"), "NO");
}

TEST_F(MainSettingsTest, CloseWritesEveryKeyInOrder)
{
    IniFile ini(path());
    MainSettings s(ini);
    MainSettings::CloseValues v;
    v.top = 100;
    v.left = -3;
    v.volume = 0;
    v.playlistPath = "/home/eva/x.kpl";
    v.searchText = QStringLiteral("Žlutý pes");
    v.folders = {"/pls", "", "/mp3"};
    s.writeAtClose(v);
    // On a fresh file the sections and keys appear in the order of the writes.
    EXPECT_EQ(QString::fromUtf8(contents()), QStringLiteral("[Okno]\nTop=100\nLeft=-3\nVolume=0\n"
                                                            "[Playlisty]\nPosledni=/home/eva/x.kpl\n"
                                                            "[Hlavni]\nPosledniFind=Žlutý pes\n"
                                                            "[Cesty]\nPLS=/pls\nPLO=\nMP3D=/mp3\n"));
    EXPECT_EQ(s.dialogFolders().mp3Save, "/mp3");
}

TEST_F(MainSettingsTest, UnwritableFileIsNotedAndStartGoesOn)
{
    // A plain file where the settings folder should be.
    QFile blocker(dir.filePath("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniFile ini(dir.filePath("plain/sonaro-klient.ini"));
    MainSettings s(ini);
    std::optional<QString> search, playlist;
    runStart(s, search, playlist);
    EXPECT_TRUE(search.has_value()); // defaults still apply
    EXPECT_FALSE(playlist.has_value());
    EXPECT_EQ(s.takeWriteFailure().value_or(""), "Unable to write to " + dir.filePath("plain/sonaro-klient.ini"));
    EXPECT_FALSE(s.takeWriteFailure().has_value()); // reported once
    EXPECT_THROW(s.writeAtClose({}), IniWriteError);
}
