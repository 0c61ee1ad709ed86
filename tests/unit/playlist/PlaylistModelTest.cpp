#include "PlaylistModel.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace {

PlaylistEntry entry(const char *title, bool mark = false)
{
    return {title, "1:00", QByteArray("http://h/") + title + ".mp3", QByteArray("id-") + title, mark};
}

QByteArrayList titles(const PlaylistModel &model)
{
    QByteArrayList out;
    for (const PlaylistEntry &e : model.entries())
        out.append(e.title);
    return out;
}

class PlaylistModelTest : public ::testing::Test
{
protected:
    PlaylistModel model;
    void SetUp() override { model.setEntries({entry("1"), entry("2"), entry("3")}); }
};

} // namespace

TEST_F(PlaylistModelTest, MovesLandAfterFromAboveAndBeforeFromBelow)
{
    EXPECT_EQ(model.moveEntry(0, 2), 2);
    EXPECT_EQ(titles(model), (QByteArrayList{"2", "3", "1"}));

    model.setEntries({entry("1"), entry("2"), entry("3")});
    EXPECT_EQ(model.moveEntry(2, 0), 0);
    EXPECT_EQ(titles(model), (QByteArrayList{"3", "1", "2"}));

    model.setEntries({entry("1"), entry("2"), entry("3")});
    EXPECT_EQ(model.moveEntry(1, 1), 1);
    EXPECT_EQ(titles(model), (QByteArrayList{"1", "2", "3"}));

    // No row under the drop point: to the end.
    EXPECT_EQ(model.moveEntry(0, -1), 2);
    EXPECT_EQ(titles(model), (QByteArrayList{"2", "3", "1"}));
    EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(PlaylistModelTest, MovedRowKeepsItsMarkAndColumns)
{
    model.setMark(1);
    model.moveEntry(1, 2);
    EXPECT_EQ(titles(model), (QByteArrayList{"1", "3", "2"}));
    EXPECT_EQ(model.entry(2), entry("2", true));
    EXPECT_FALSE(model.entry(0).nowPlaying);
    EXPECT_FALSE(model.entry(1).nowPlaying);
    EXPECT_FALSE(model.index(2, PlaylistModel::TitleColumn).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.index(0, PlaylistModel::TitleColumn).data(Qt::DecorationRole).isNull());
}

TEST_F(PlaylistModelTest, InsertPositions)
{
    EXPECT_EQ(model.insertEntry(0, entry("top")), 0);
    EXPECT_EQ(model.insertEntry(2, entry("mid")), 2);
    EXPECT_EQ(model.insertEntry(99, entry("end")), 5);
    EXPECT_EQ(model.insertEntry(-5, entry("neg")), 6);
    EXPECT_EQ(titles(model), (QByteArrayList{"top", "1", "mid", "2", "3", "end", "neg"}));
    model.removeEntry(7);
    model.removeEntry(-1);
    EXPECT_EQ(model.rowCount(), 7);
}

TEST_F(PlaylistModelTest, CellsHeadersAndTitleEditing)
{
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Playlist");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Čas");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "url");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "no");
    model.setPlaylistPath("/tmp/a.kpl");
    model.setCaption("a");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "/tmp/a.kpl");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "a");

    EXPECT_EQ(model.index(0, 2).data().toString(), "http://h/1.mp3");
    EXPECT_EQ(model.index(0, 3).data().toString(), "id-1");
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 2), "x"));

    // Titles are stored in the file's code page.
    ASSERT_TRUE(model.setData(model.index(0, 0), QStringLiteral("Píseň")));
    EXPECT_EQ(model.entry(0).title, QByteArray("P\xEDse\xF2"));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("Píseň"));
}

TEST_F(PlaylistModelTest, OnlyOwnDragsAreRecognised)
{
    std::unique_ptr<QMimeData> mime(model.mimeData({model.index(2, 0)}));
    ASSERT_TRUE(mime);
    EXPECT_EQ(model.draggedRow(mime.get()), 2);

    PlaylistModel other;
    other.setEntries({entry("x"), entry("y"), entry("z")});
    EXPECT_FALSE(other.draggedRow(mime.get()).has_value());

    QMimeData foreign;
    foreign.setData(PlaylistModel::RowMimeType, "1:2:0");
    EXPECT_FALSE(model.draggedRow(&foreign).has_value());
    foreign.setData("application/x-sonaro-result-row", "42");
    EXPECT_FALSE(model.draggedRow(&foreign).has_value());

    // A row that is gone by the time of the drop.
    model.removeEntry(2);
    EXPECT_FALSE(model.draggedRow(mime.get()).has_value());
}
