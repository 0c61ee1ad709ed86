#pragma once

#include "ResultRow.h"
#include "StatusMarks.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

// The rows of the results list `list_mp3`. The list is the store of the track
// data: other flows read a row's sub-items (track ID, rating, permission) from
// here and write the rating back.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Dragging a result row carries its track ID (Windows-1250 bytes) under this type.
    static constexpr const char *kRowMimeType = "application/x-sonaro-result-row";
    static constexpr int kVisibleColumns = 9;
    static constexpr int kAutomaticWidth = -1;

    explicit ResultsModel(QObject *parent = nullptr);

    static QString caption(int column);
    // Designed width in pixels; kAutomaticWidth for the three columns that share
    // what is left, 0 for the hidden "ID" and "hodmuzu".
    static int designedWidth(int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    int count() const { return static_cast<int>(m_order.size()); }
    bool hasRow(int row) const { return row >= 0 && row < count(); }
    // The row shown at that position.
    const ResultRow &row(int row) const { return m_rows[static_cast<size_t>(m_order[static_cast<size_t>(row)])]; }

    void clear();
    void appendRows(std::vector<ResultRow> rows);
    void setSubItem(int row, int subItem, const QByteArray &text);
    void setNowPlaying(int row, bool on);
    // The mark follows the track that now plays: rows of the previous track lose
    // it, rows of the current one get it (replaying a track keeps its mark).
    // IDs as the main window's state holds them (decoded from Windows-1250).
    void moveNowPlaying(const QString &previousTrackId, const QString &currentTrackId);

    StatusMarks::Mark headerMark(int column) const;
    void setHeaderMark(int column, StatusMarks::Mark mark);
    // Clears the marks of the visible columns 0 to 8, except `keep`.
    void clearHeaderMarks(int keep = -1);

    // Reorders every row at once; selection and other persistent indexes follow their rows.
    void sortBy(int column, bool descending);
    // A click on header column c: same column inverts the direction, another one
    // sorts ascending; the column then shows the direction's mark.
    void headerClicked(int column, int &sortColumn, bool &sortDescending);

private:
    ResultRow &rowAt(int row) { return m_rows[static_cast<size_t>(m_order[static_cast<size_t>(row)])]; }

    // Rows stay where they were appended; sorting reorders m_order only
    // (position -> index into m_rows), so no row is moved.
    std::vector<ResultRow> m_rows;
    std::vector<int> m_order;
    std::array<StatusMarks::Mark, ResultRow::kColumnCount> m_headerMarks{};
};
