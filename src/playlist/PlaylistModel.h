#pragma once

#include "PlaylistEntry.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>

#include <optional>

// The rows of the playlist view and its two meaningful header captions:
// column 0 shows the open file's name (or "Playlist"), and the hidden
// column 3 holds PlaylistPath ("no" when the playlist has no file), which is
// what the window stores at close.
class PlaylistModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TitleColumn = 0, LengthColumn = 1, UrlColumn = 2, IdColumn = 3, ColumnCount = 4 };

    static inline const QString NoPlaylistPath = QStringLiteral("no");
    static inline const QString DefaultCaption = QStringLiteral("Playlist");
    // A dragged playlist row carries "<process id>:<model address>:<row>"
    // under this type, so only this model's own rows are taken for moves
    // and deletions.
    static constexpr const char *RowMimeType = "application/x-sonaro-playlist-row";

    explicit PlaylistModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

    const QList<PlaylistEntry> &entries() const { return m_rows; }
    const PlaylistEntry &entry(int row) const { return m_rows.at(row); }

    // Replaces every row at once.
    void setEntries(QList<PlaylistEntry> rows);
    void clear();
    // Inserts at row; a row at or beyond the end (or negative) appends.
    // Returns the index the entry got.
    int insertEntry(int row, PlaylistEntry entry);
    void removeEntry(int row);
    // Moves row source onto the row under the drop point (none: -1): after
    // it when coming from above, before it otherwise, to the end when no row
    // was hit. The row keeps its mark. Returns the row's new index.
    int moveEntry(int source, int target);
    // The now-playing mark on row only (-1: on none).
    void setMark(int row);
    void clearMarks() { setMark(-1); }

    QString playlistPath() const { return m_path; }
    QString caption() const { return m_caption; }
    void setPlaylistPath(const QString &path);
    void setCaption(const QString &caption);

    // The row a drag of this model's rows carried; none for other data.
    std::optional<int> draggedRow(const QMimeData *mime) const;

private:
    QByteArray dragToken() const;

    QList<PlaylistEntry> m_rows;
    QString m_path = NoPlaylistPath;
    QString m_caption = DefaultCaption;
    mutable QIcon m_markIcon; // made on first use: pictures need the GUI
};
