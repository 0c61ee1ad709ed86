// The .kpl file commands on real files in a temporary folder, with the
// prompts recorded.
#include "FileDialogOptions.h"
#include "PlaylistFile.h"
#include "PlaylistFormat.h"
#include "ShiftHex.h"
#include "PlaylistModel.h"
#include "PromptRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = PromptRecorder::Kind;

PlaylistEntry entry(const char *name)
{
    return {QByteArray("Title ") + name, "1:00", QByteArray("http://h/") + name + ".mp3", QByteArray(name), false};
}

class PlaylistFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    PlaylistModel model;
    PromptRecorder prompts;
    FileDialogOptions openDialog{"Otevřít playlist", "Sonaro Klient playlist (*.kpl)|*.kpl", "kpl", {}, {}};
    FileDialogOptions saveDialog{"Uložit playlist", "Sonaro Klient playlist (*.kpl)|*.kpl", "kpl", {}, "Playlist"};
    PlaylistFile file{model, prompts, openDialog, saveDialog};

    QString path(const QString &name) const { return dir.filePath(name); }
    static QByteArray read(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void write(const QString &p, const QByteArray &bytes)
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString invalid(const QString &p) const
    {
        return "Soubor " + p + " není platným playlistem aplikace Sonaro Klient.";
    }
};

} // namespace

TEST_F(PlaylistFileTest, EmptyPlaylistSavesFortyFourBytesAndLoadsBackNamed)
{
    const QString p = path("Večer.kpl");
    file.savePlayList(p);
    EXPECT_EQ(model.playlistPath(), p);
    EXPECT_EQ(model.caption(), "Playlist"); // only save-as names the header
    EXPECT_EQ(read(p).size(), 44);

    model.setEntries({entry("A")});
    file.loadPlayList(p);
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.caption(), "Večer");
    EXPECT_EQ(model.playlistPath(), p);
}

TEST_F(PlaylistFileTest, RowsRoundTripThroughTheFile)
{
    QList<PlaylistEntry> rows{entry("A"), entry("B"), entry("C")};
    rows[1].nowPlaying = true;
    model.setEntries(rows);
    const QString p = path("three.kpl");
    file.savePlayList(p);
    const QByteArray bytes = read(p);
    EXPECT_EQ(bytes.size(), 2 * PlaylistFormat::plainText(rows).size() + 2);
    EXPECT_TRUE(bytes.endsWith("\r\n"));

    model.clear();
    file.loadPlayList(p);
    rows[1].nowPlaying = false;
    EXPECT_EQ(model.entries(), rows);
}

TEST_F(PlaylistFileTest, MissingFileIsReportedAndChangesNothing)
{
    model.setEntries({entry("A")});
    model.setPlaylistPath("/old.kpl");
    const QString p = path("none.kpl");
    file.loadPlayList(p);
    file.loadPlayList(QString());
    file.loadPlayList(dir.path()); // a folder is no file
    EXPECT_EQ(prompts.texts(Kind::Message),
              (QStringList{"Soubor " + p + " neexistuje.", "Soubor  neexistuje.", "Soubor " + dir.path() + " neexistuje."}));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.playlistPath(), "/old.kpl");
}

TEST_F(PlaylistFileTest, FileOfAnotherFormatKeepsTheRows)
{
    model.setEntries({entry("A"), entry("B")});
    file.savePlayList(path("mine.kpl"));
    model.setCaption("mine");
    const QString p = path("notes.kpl");
    write(p, "Shopping list\r\nmilk\r\n");
    file.loadPlayList(p);
    EXPECT_EQ(prompts.texts(Kind::Message), QStringList{invalid(p)});
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.playlistPath(), path("mine.kpl"));
    EXPECT_EQ(model.caption(), "mine");
}

TEST_F(PlaylistFileTest, WrongRootEmptiesTheViewAndForgetsThePreviousFile)
{
    const QString mine = path("mine.kpl");
    model.setEntries({entry("A"), entry("B")});
    file.savePlayList(mine);
    model.setCaption("mine");
    const QByteArray saved = read(mine);

    const QString other = path("other.kpl");
    write(other, EncodeShiftHex("<list><item>x</item></list>", PlaylistFormat::PlaylistKey) + "\r\n");
    file.loadPlayList(other);
    EXPECT_EQ(prompts.texts(Kind::Message), QStringList{invalid(other)});
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.playlistPath(), "no");
    EXPECT_EQ(model.caption(), "Playlist");

    // A plain save now asks for a name instead of emptying mine.kpl.
    file.save();
    EXPECT_EQ(prompts.texts(Kind::SaveFile), QStringList{"Uložit playlist"});
    EXPECT_EQ(read(mine), saved);
}

TEST_F(PlaylistFileTest, ReaderTakesOnlyTheFirstLineInEitherCase)
{
    const QString p = path("lower.kpl");
    QByteArray digits = PlaylistFormat::fileContent({entry("A")}).trimmed().toLower();
    write(p, digits + "5" + "\nthis second line is ignored");
    file.loadPlayList(p);
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(model.entries(), QList<PlaylistEntry>{entry("A")});
}

TEST_F(PlaylistFileTest, SaveOverwritesTheOpenFileSilently)
{
    const QString p = path("open.kpl");
    write(p, PlaylistFormat::fileContent({entry("A")}));
    file.loadPlayList(p);
    model.insertEntry(-1, entry("B"));
    file.save();
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(read(p), PlaylistFormat::fileContent({entry("A"), entry("B")}));
}

TEST_F(PlaylistFileTest, SaveAsReplacesTheExtensionAndAsksBeforeOverwriting)
{
    model.setEntries({entry("A")});
    prompts.fileNames.enqueue(path("abc.txt"));
    file.save(); // no file yet: the same as save as
    EXPECT_TRUE(QFile::exists(path("abc.kpl")));
    EXPECT_FALSE(QFile::exists(path("abc.txt")));
    EXPECT_EQ(model.playlistPath(), path("abc.kpl"));
    EXPECT_EQ(model.caption(), "abc");
    EXPECT_TRUE(prompts.texts(Kind::Confirm).isEmpty());

    // Existing target, answered No: nothing written, nothing renamed.
    model.insertEntry(-1, entry("B"));
    const QByteArray before = read(path("abc.kpl"));
    prompts.fileNames.enqueue(path("abc"));
    prompts.answers.enqueue(false);
    file.saveAs();
    EXPECT_EQ(prompts.texts(Kind::Confirm), QStringList{"Soubor se stejným názvem již existuje. Přepsat?"});
    EXPECT_EQ(read(path("abc.kpl")), before);

    // Yes: written.
    prompts.fileNames.enqueue(path("abc.kpl"));
    prompts.answers.enqueue(true);
    file.saveAs();
    EXPECT_EQ(read(path("abc.kpl")), PlaylistFormat::fileContent({entry("A"), entry("B")}));

    // A dot in a folder name is no extension.
    QDir(dir.path()).mkdir("v1.0");
    prompts.fileNames.enqueue(path("v1.0/mix"));
    file.saveAs();
    EXPECT_TRUE(QFile::exists(path("v1.0/mix.kpl")));
    EXPECT_EQ(model.caption(), "mix");

    // Cancel: nothing.
    const int shown = static_cast<int>(prompts.shown.size());
    file.saveAs();
    EXPECT_EQ(prompts.shown.size(), shown + 1);
    EXPECT_EQ(model.playlistPath(), path("v1.0/mix.kpl"));
}

TEST_F(PlaylistFileTest, OpenCommandLoadsTheChosenFileOrNothing)
{
    const QString p = path("x.kpl");
    write(p, PlaylistFormat::fileContent({entry("A")}));
    file.open(); // cancelled
    EXPECT_EQ(model.rowCount(), 0);
    prompts.fileNames.enqueue(p);
    file.open();
    EXPECT_EQ(prompts.texts(Kind::OpenFile), (QStringList{"Otevřít playlist", "Otevřít playlist"}));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.caption(), "x");
}

TEST_F(PlaylistFileTest, UnwritableTargetIsReportedAfterThePathChanged)
{
    model.setEntries({entry("A")});
    const QString p = path("missing-folder/a.kpl");
    prompts.fileNames.enqueue(p);
    file.saveAs();
    ASSERT_EQ(prompts.texts(Kind::Error).size(), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error).first().contains(p));
    EXPECT_EQ(model.playlistPath(), p);
    EXPECT_EQ(model.caption(), "Playlist");
    EXPECT_FALSE(QFile::exists(p));
}

TEST_F(PlaylistFileTest, UnreadableFileIsReportedAndChangesNothing)
{
    // Opens, even for root, and every read from its start fails.
    const QString p = "/proc/self/mem";
    model.setEntries({entry("B")});
    model.setPlaylistPath(path("b.kpl"));
    file.reopen(p);
    ASSERT_EQ(prompts.texts(Kind::Error).size(), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error).first().contains(p));
    EXPECT_TRUE(prompts.texts(Kind::Message).isEmpty());
    EXPECT_EQ(model.entries(), QList<PlaylistEntry>{entry("B")});
    EXPECT_EQ(model.playlistPath(), path("b.kpl"));
}
