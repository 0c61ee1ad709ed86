#include "PlaylistSequencer.h"

#include "MainState.h"
#include "PlaylistModel.h"
#include "PlaylistPlayer.h"
#include "Windows1250.h"

#include <algorithm>

PlaylistSequencer::PlaylistSequencer(PlaylistModel &model, MainState &state, Hooks hooks)
    : m_model(model), m_state(state), m_hooks(std::move(hooks))
{
    const auto announce = [this] { announceFollowing(); };
    m_modelWatch = {
        QObject::connect(&m_model, &QAbstractItemModel::rowsInserted, &m_model, announce),
        QObject::connect(&m_model, &QAbstractItemModel::rowsRemoved, &m_model, announce),
        QObject::connect(&m_model, &QAbstractItemModel::rowsMoved, &m_model, announce),
        QObject::connect(&m_model, &QAbstractItemModel::modelReset, &m_model, announce),
        QObject::connect(&m_model, &QAbstractItemModel::dataChanged, &m_model, announce),
    };
}

PlaylistSequencer::~PlaylistSequencer()
{
    for (const auto &connection : m_modelWatch)
        QObject::disconnect(connection);
}

bool PlaylistSequencer::startRow(int row)
{
    if (!m_player || row < 0 || row >= m_model.rowCount())
        return false;
    const PlaylistEntry entry = m_model.entry(row);
    m_player->open(entry.url, [self = std::weak_ptr<PlaylistSequencer *>(m_self), row, entry](bool opened) {
        if (const auto alive = self.lock(); alive && opened)
            (*alive)->rowOpened(row, entry);
    });
    return true;
}

void PlaylistSequencer::rowOpened(int row, const PlaylistEntry &entry)
{
    m_state.PlayingFromPlaylist = true;
    m_state.RequestedTrackId = Windows1250::decode(entry.trackId);
    if (m_hooks.clearResultMarks)
        m_hooks.clearResultMarks();
    // The rows may have moved while the stream opened: mark the entry that
    // was started where it is now, if it is still there.
    const auto &rows = m_model.entries();
    if (row >= rows.size() || rows[row].url != entry.url) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const PlaylistEntry &r) {
            return r.url == entry.url && r.trackId == entry.trackId;
        });
        row = it == rows.end() ? -1 : int(it - rows.begin());
    }
    if (row >= 0)
        m_model.setMark(row);
    m_state.PreviousTrackId = m_state.CurrentTrackId;
    m_state.CurrentTrackId = m_state.RequestedTrackId;
    if (m_hooks.startTrackDisplay)
        m_hooks.startTrackDisplay(Windows1250::decode(entry.title));
    announceFollowing();
}

void PlaylistSequencer::announceFollowing()
{
    if (!m_player)
        return;
    // Nothing follows a track from elsewhere, a removed entry or the last one.
    const std::optional<int> current = currentEntry();
    const bool follows = current && *current < m_model.rowCount() - 1;
    m_player->openAhead(follows ? m_model.entry(*current + 1).url : QByteArray());
}

std::optional<int> PlaylistSequencer::currentEntry() const
{
    if (!m_state.PlayingFromPlaylist || !m_player)
        return std::nullopt;
    const QByteArray stream = m_player->streamName();
    const auto &rows = m_model.entries();
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].nowPlaying && rows[i].url == stream)
            return i;
    return std::nullopt;
}

void PlaylistSequencer::next()
{
    const std::optional<int> current = currentEntry();
    if (current && *current < m_model.rowCount() - 1)
        startRow(*current + 1);
}

void PlaylistSequencer::previous()
{
    const std::optional<int> current = currentEntry();
    if (current && *current > 0)
        startRow(*current - 1);
}
