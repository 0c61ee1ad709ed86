#include "ResultsModel.h"
#include "ResultsPopupRule.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace {

ResultRow track(const QByteArray &id, const QByteArray &permission = "true")
{
    ResultRow r;
    r.cells[0] = "Song " + id;
    r.subItem(ResultRow::kSubTrackId) = id;
    r.subItem(ResultRow::kSubRatingPermission) = permission;
    return r;
}

} // namespace

TEST(ResultsModel, ShowsCaptionsAndCellsDecodedFromWindows1250)
{
    ResultsModel m;
    ASSERT_EQ(m.columnCount(), 11);
    const char *expected[] = {"Jméno", "Interpret", "Album", "Žánr", "Čas", "Hodnocení",
                              "Číslo", "Bitrate", "Velikost", "ID", "hodmuzu"};
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8(expected[c]));
    EXPECT_EQ(ResultsModel::designedWidth(9), 0);
    EXPECT_EQ(ResultsModel::designedWidth(5), 55);

    ResultRow r;
    r.cells[0] = "\x8Alukovit\xE1"; // "Šlukovitá" in Windows-1250
    r.subItem(0) = QByteArray("a&b <c>");
    m.appendRows({r});
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), QString::fromUtf8("Šlukovitá"));
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("a&b <c>"));
    // The bytes stay as the reply gave them.
    EXPECT_EQ(m.row(0).caption(), QByteArray("\x8Alukovit\xE1"));
}

TEST(ResultsModel, NowPlayingMarkFollowsTheTrack)
{
    ResultsModel m;
    m.appendRows({track("1"), track("2"), track("1")});
    EXPECT_FALSE(m.data(m.index(0, 0), Qt::DecorationRole).isValid());

    m.moveNowPlaying({}, QStringLiteral("1"));
    EXPECT_TRUE(m.row(0).nowPlaying);
    EXPECT_FALSE(m.row(1).nowPlaying);
    EXPECT_TRUE(m.row(2).nowPlaying);
    EXPECT_TRUE(m.data(m.index(0, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(m.data(m.index(0, 1), Qt::DecorationRole).isValid());

    m.moveNowPlaying(QStringLiteral("1"), QStringLiteral("2"));
    EXPECT_FALSE(m.row(0).nowPlaying);
    EXPECT_TRUE(m.row(1).nowPlaying);

    m.moveNowPlaying(QStringLiteral("2"), QStringLiteral("2")); // replaying keeps the mark
    EXPECT_TRUE(m.row(1).nowPlaying);
}

TEST(ResultsModel, EditsAndBoundsAreSafe)
{
    ResultsModel m;
    m.setSubItem(0, 4, "x"); // no rows: ignored
    m.setNowPlaying(-1, true);
    m.appendRows({track("7")});
    m.setSubItem(0, ResultRow::kSubRating, "4,2");
    m.setSubItem(0, 10, "out of range");
    EXPECT_EQ(m.row(0).subItem(ResultRow::kSubRating), "4,2");
    m.appendRows({track("8")});
    EXPECT_EQ(m.count(), 2);
    m.clear();
    EXPECT_EQ(m.count(), 0);
    EXPECT_FALSE(m.data(m.index(0, 0), Qt::DisplayRole).isValid());
}

TEST(ResultsModel, DragCarriesTheTrackIdAndRowsAreNotEditable)
{
    ResultsModel m;
    m.appendRows({track("abc 1")});
    EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m.flags(m.index(0, 0)) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> mime(m.mimeData({m.index(0, 3)}));
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->data(QString::fromLatin1(ResultsModel::kRowMimeType)), QByteArray("abc 1"));
}

TEST(ResultsModel, PopupShowsRatingOnlyForExactTrue)
{
    ResultsModel m;
    m.appendRows({track("1", "true"), track("2", "false"), track("3", "TRUE"), track("4", "")});
    const ResultsPopupRule none = ResultsPopupRule::forSelection(m, -1);
    EXPECT_FALSE(none.play || none.download || none.separator || none.addToPlaylist || none.rating);

    const ResultsPopupRule rateable = ResultsPopupRule::forSelection(m, 0);
    EXPECT_TRUE(rateable.play && rateable.download && rateable.separator && rateable.addToPlaylist);
    EXPECT_TRUE(rateable.rating);
    for (int row = 1; row < 4; ++row) {
        const ResultsPopupRule rule = ResultsPopupRule::forSelection(m, row);
        EXPECT_TRUE(rule.play);
        EXPECT_FALSE(rule.rating) << row;
    }
}
