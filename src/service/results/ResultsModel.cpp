#include "ResultsModel.h"

#include "ResultsSort.h"
#include "Windows1250.h"

#include <QMimeData>

namespace {

struct ColumnInfo
{
    const char *captionUtf8;
    int width;
};

constexpr std::array<ColumnInfo, ResultRow::kColumnCount> kColumns{{
    {"Jméno", ResultsModel::kAutomaticWidth},
    {"Interpret", ResultsModel::kAutomaticWidth},
    {"Album", ResultsModel::kAutomaticWidth},
    {"Žánr", 50},
    {"Čas", 50},
    {"Hodnocení", 55},
    {"Číslo", 50},
    {"Bitrate", 55},
    {"Velikost", 50},
    {"ID", 0},
    {"hodmuzu", 0},
}};

} // namespace

ResultsModel::ResultsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_headerMarks.fill(StatusMarks::None);
}

QString ResultsModel::caption(int column)
{
    if (column < 0 || column >= ResultRow::kColumnCount)
        return {};
    return QString::fromUtf8(kColumns[static_cast<size_t>(column)].captionUtf8);
}

int ResultsModel::designedWidth(int column)
{
    if (column < 0 || column >= ResultRow::kColumnCount)
        return 0;
    return kColumns[static_cast<size_t>(column)].width;
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ResultRow::kColumnCount;
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !hasRow(index.row()) || index.column() >= ResultRow::kColumnCount)
        return {};
    const ResultRow &r = row(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return Windows1250::decode(r.cells[static_cast<size_t>(index.column())]);
    if (role == Qt::DecorationRole && index.column() == 0 && r.nowPlaying)
        return StatusMarks::icon(StatusMarks::NowPlaying);
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ResultRow::kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return caption(section);
    if (role == Qt::DecorationRole && m_headerMarks[static_cast<size_t>(section)] != StatusMarks::None)
        return StatusMarks::icon(m_headerMarks[static_cast<size_t>(section)]);
    return {};
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList ResultsModel::mimeTypes() const
{
    return {QString::fromLatin1(kRowMimeType)};
}

QMimeData *ResultsModel::mimeData(const QModelIndexList &indexes) const
{
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && hasRow(index.row())) {
            auto *mime = new QMimeData;
            mime->setData(QString::fromLatin1(kRowMimeType), row(index.row()).trackId());
            return mime;
        }
    }
    return nullptr;
}

Qt::DropActions ResultsModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

void ResultsModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
    endResetModel();
}

void ResultsModel::appendRows(std::vector<ResultRow> rows)
{
    if (rows.empty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_order.reserve(m_order.size() + rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        m_order.push_back(static_cast<int>(m_rows.size() + i));
    if (m_rows.empty()) {
        m_rows = std::move(rows);
    } else {
        m_rows.reserve(m_rows.size() + rows.size());
        std::move(rows.begin(), rows.end(), std::back_inserter(m_rows));
    }
    endInsertRows();
}

void ResultsModel::setSubItem(int r, int subItem, const QByteArray &text)
{
    if (!hasRow(r) || subItem < 0 || subItem + 1 >= ResultRow::kColumnCount)
        return;
    rowAt(r).subItem(subItem) = text;
    const QModelIndex cell = index(r, subItem + 1);
    emit dataChanged(cell, cell);
}

void ResultsModel::setNowPlaying(int r, bool on)
{
    if (!hasRow(r) || row(r).nowPlaying == on)
        return;
    rowAt(r).nowPlaying = on;
    const QModelIndex cell = index(r, 0);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

void ResultsModel::moveNowPlaying(const QString &previousTrackId, const QString &currentTrackId)
{
    for (int r = 0; r < count(); ++r) {
        const QString id = Windows1250::decode(row(r).trackId());
        if (id == previousTrackId)
            setNowPlaying(r, false);
        if (id == currentTrackId)
            setNowPlaying(r, true);
    }
}

StatusMarks::Mark ResultsModel::headerMark(int column) const
{
    if (column < 0 || column >= ResultRow::kColumnCount)
        return StatusMarks::None;
    return m_headerMarks[static_cast<size_t>(column)];
}

void ResultsModel::setHeaderMark(int column, StatusMarks::Mark mark)
{
    if (column < 0 || column >= ResultRow::kColumnCount || m_headerMarks[static_cast<size_t>(column)] == mark)
        return;
    m_headerMarks[static_cast<size_t>(column)] = mark;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void ResultsModel::clearHeaderMarks(int keep)
{
    for (int c = 0; c < kVisibleColumns; ++c)
        if (c != keep)
            setHeaderMark(c, StatusMarks::None);
}

void ResultsModel::sortBy(int column, bool descending)
{
    if (column < 0 || column >= ResultRow::kColumnCount || count() < 2)
        return;
    const std::vector<int> order = ResultsSort::sortedOrder(
        count(), [this, column](int r) -> const QByteArray & { return row(r).cells[static_cast<size_t>(column)]; },
        descending);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> sorted(order.size());
    std::vector<int> newPosition(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted[i] = m_order[static_cast<size_t>(order[i])];
        newPosition[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_order = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &idx : before)
        after.append(index(newPosition[static_cast<size_t>(idx.row())], idx.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultsModel::headerClicked(int column, int &sortColumn, bool &sortDescending)
{
    if (column < 0 || column >= kVisibleColumns)
        return;
    clearHeaderMarks(column);
    if (column == sortColumn) {
        sortDescending = !sortDescending;
    } else {
        sortColumn = column;
        sortDescending = false;
    }
    sortBy(sortColumn, sortDescending);
    setHeaderMark(column, sortDescending ? StatusMarks::SortDescending : StatusMarks::SortAscending);
}
