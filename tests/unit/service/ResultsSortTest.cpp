#include "ResultsModel.h"
#include "ResultsSort.h"

#include <gtest/gtest.h>

namespace {

ResultRow rowWith(int column, const QByteArray &text, const QByteArray &id = {})
{
    ResultRow r;
    r.cells[static_cast<size_t>(column)] = text;
    r.subItem(ResultRow::kSubTrackId) = id;
    return r;
}

std::vector<QByteArray> column(const ResultsModel &m, int c)
{
    std::vector<QByteArray> out;
    for (int r = 0; r < m.count(); ++r)
        out.push_back(m.row(r).cells[static_cast<size_t>(c)]);
    return out;
}

} // namespace

TEST(ResultsSort, TextOrderFoldsOnlyAsciiLetters)
{
    using ResultsSort::compareText;
    EXPECT_EQ(compareText("abc", "ABC"), 0);
    EXPECT_LT(compareText("10", "9"), 0); // numbers are text
    EXPECT_LT(compareText("ab", "abc"), 0);
    EXPECT_GT(compareText("abc", "ab"), 0);
    EXPECT_EQ(compareText("", ""), 0);
    // Folding goes to upper case, so '_' (0x5F) sorts after every letter.
    EXPECT_LT(compareText("a", "_"), 0);
    EXPECT_LT(compareText("Z", "_"), 0);
    // Accented letters keep their 8-bit code: 0xE1 is not folded onto 0xC1 nor onto 'A'.
    EXPECT_NE(compareText("\xE1", "\xC1"), 0);
    EXPECT_GT(compareText("\xE1", "z"), 0);
    // Bytes above 0x7F count as unsigned.
    EXPECT_GT(compareText("\x8A", "z"), 0);
}

TEST(ResultsSort, RowComparisonUsesCaptionOrSubItemAndDirection)
{
    ResultRow a;
    ResultRow b;
    a.cells[0] = "b";
    b.cells[0] = "a";
    a.subItem(6) = "128";
    b.subItem(6) = "64";
    EXPECT_GT(ResultsSort::compareRows(a, b, 0, false), 0);
    EXPECT_LT(ResultsSort::compareRows(a, b, 0, true), 0);
    EXPECT_LT(ResultsSort::compareRows(a, b, 7, false), 0); // column 7 is sub-item 6
    EXPECT_EQ(ResultsSort::compareRows(a, b, -1, false), 0);
}

TEST(ResultsSort, BitrateClicksSortAsTextAndMarkTheHeader)
{
    ResultsModel m;
    std::vector<ResultRow> rows;
    for (const char *bitrate : {"192", "64", "128"})
        rows.push_back(rowWith(7, bitrate));
    m.appendRows(std::move(rows));

    int sortColumn = -1; // after a finder reply with rows
    bool descending = false;
    m.headerClicked(7, sortColumn, descending);
    EXPECT_EQ(column(m, 7), (std::vector<QByteArray>{"128", "192", "64"}));
    EXPECT_EQ(m.headerMark(7), StatusMarks::SortAscending);

    m.headerClicked(7, sortColumn, descending);
    EXPECT_EQ(column(m, 7), (std::vector<QByteArray>{"64", "192", "128"}));
    EXPECT_TRUE(descending);
    EXPECT_EQ(m.headerMark(7), StatusMarks::SortDescending);

    // Another column sorts ascending and takes the mark away from the first.
    m.headerClicked(0, sortColumn, descending);
    EXPECT_EQ(sortColumn, 0);
    EXPECT_FALSE(descending);
    EXPECT_EQ(m.headerMark(7), StatusMarks::None);
    EXPECT_EQ(m.headerMark(0), StatusMarks::SortAscending);
}

TEST(ResultsSort, FirstClickOnNameBeforeAnyRowsSortsDescending)
{
    ResultsModel m;
    int sortColumn = 0; // initial state
    bool descending = false;
    m.headerClicked(0, sortColumn, descending);
    EXPECT_TRUE(descending);
    EXPECT_EQ(m.headerMark(0), StatusMarks::SortDescending);
}

TEST(ResultsSort, SortingKeepsSelectionOnItsRowAndEqualKeysStable)
{
    ResultsModel m;
    std::vector<ResultRow> rows;
    rows.push_back(rowWith(1, "b", "id0"));
    rows.push_back(rowWith(1, "A", "id1"));
    rows.push_back(rowWith(1, "a", "id2"));
    rows.push_back(rowWith(1, "c", "id3"));
    m.appendRows(std::move(rows));
    QPersistentModelIndex selected(m.index(0, 0)); // the "b" row

    m.sortBy(1, false);
    std::vector<QByteArray> ids;
    for (int r = 0; r < m.count(); ++r)
        ids.push_back(m.row(r).trackId());
    EXPECT_EQ(ids, (std::vector<QByteArray>{"id1", "id2", "id0", "id3"}));
    EXPECT_EQ(selected.row(), 2);

    m.sortBy(1, true);
    ids.clear();
    for (int r = 0; r < m.count(); ++r)
        ids.push_back(m.row(r).trackId());
    EXPECT_EQ(ids, (std::vector<QByteArray>{"id3", "id0", "id1", "id2"}));
    EXPECT_EQ(selected.row(), 1);
}
