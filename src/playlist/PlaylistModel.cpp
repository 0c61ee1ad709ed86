#include "PlaylistModel.h"

#include "ImageLists.h"
#include "Windows1250.h"

#include <QCoreApplication>
#include <QMimeData>

PlaylistModel::PlaylistModel(QObject *parent) : QAbstractTableModel(parent) {}

int PlaylistModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PlaylistModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlaylistModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const PlaylistEntry &e = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case TitleColumn: return Windows1250::decode(e.title);
        case LengthColumn: return Windows1250::decode(e.length);
        case UrlColumn: return Windows1250::decode(e.url);
        case IdColumn: return Windows1250::decode(e.trackId);
        default: return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == TitleColumn && e.nowPlaying) {
        if (m_markIcon.isNull())
            m_markIcon = ImageLists::listStatIcon(ImageLists::NowPlayingMark);
        return m_markIcon;
    }
    return {};
}

bool PlaylistModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != TitleColumn || index.row() >= m_rows.size())
        return false;
    m_rows[index.row()].title = Windows1250::encode(value.toString());
    emit dataChanged(index, index);
    return true;
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn: return m_caption;
    case LengthColumn: return QStringLiteral("Čas");
    case UrlColumn: return QStringLiteral("url");
    case IdColumn: return m_path;
    default: return {};
    }
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.column() == TitleColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

QStringList PlaylistModel::mimeTypes() const
{
    return {QString::fromLatin1(RowMimeType)};
}

QByteArray PlaylistModel::dragToken() const
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':'
           + QByteArray::number(reinterpret_cast<quintptr>(this), 16) + ':';
}

QMimeData *PlaylistModel::mimeData(const QModelIndexList &indexes) const
{
    for (const QModelIndex &index : indexes) {
        if (index.isValid()) {
            auto *mime = new QMimeData;
            mime->setData(QString::fromLatin1(RowMimeType), dragToken() + QByteArray::number(index.row()));
            return mime;
        }
    }
    return nullptr;
}

std::optional<int> PlaylistModel::draggedRow(const QMimeData *mime) const
{
    if (!mime || !mime->hasFormat(QString::fromLatin1(RowMimeType)))
        return std::nullopt;
    const QByteArray payload = mime->data(QString::fromLatin1(RowMimeType));
    const QByteArray token = dragToken();
    if (!payload.startsWith(token))
        return std::nullopt;
    bool ok = false;
    const int row = payload.mid(token.size()).toInt(&ok);
    if (!ok || row < 0 || row >= m_rows.size())
        return std::nullopt;
    return row;
}

Qt::DropActions PlaylistModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions PlaylistModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

void PlaylistModel::setEntries(QList<PlaylistEntry> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void PlaylistModel::clear()
{
    setEntries({});
}

int PlaylistModel::insertEntry(int row, PlaylistEntry entry)
{
    const int count = static_cast<int>(m_rows.size());
    if (row < 0 || row > count)
        row = count;
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, std::move(entry));
    endInsertRows();
    return row;
}

void PlaylistModel::removeEntry(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

int PlaylistModel::moveEntry(int source, int target)
{
    const int count = static_cast<int>(m_rows.size());
    if (source < 0 || source >= count)
        return -1;
    if (target >= count)
        target = -1;
    // A copy goes in first and the source comes out after it, as the
    // original row may be anywhere relative to the new one.
    const int at = target < 0 ? count : (source < target ? target + 1 : target);
    const PlaylistEntry copy = m_rows.at(source);
    insertEntry(at, copy);
    const int oldIndex = at <= source ? source + 1 : source;
    removeEntry(oldIndex);
    return at > oldIndex ? at - 1 : at;
}

void PlaylistModel::setMark(int row)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        const bool marked = i == row;
        if (m_rows[i].nowPlaying != marked) {
            m_rows[i].nowPlaying = marked;
            const QModelIndex cell = index(i, TitleColumn);
            emit dataChanged(cell, cell, {Qt::DecorationRole});
        }
    }
}

void PlaylistModel::setPlaylistPath(const QString &path)
{
    if (m_path == path)
        return;
    m_path = path;
    emit headerDataChanged(Qt::Horizontal, IdColumn, IdColumn);
}

void PlaylistModel::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    emit headerDataChanged(Qt::Horizontal, TitleColumn, TitleColumn);
}
