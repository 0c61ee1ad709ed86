#pragma once

#include <QMetaObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class PlaylistModel;
struct PlaylistEntry;
class PlaylistPlayer;
struct MainState;

// Playing the playlist entry by entry. The current entry is not stored: it
// is the first marked row whose URL is the stream the engine has open, so
// removing, moving or replacing rows needs no bookkeeping here.
class PlaylistSequencer
{
public:
    struct Hooks
    {
        // Removes the now-playing mark from every row of the results list.
        std::function<void()> clearResultMarks;
        // The panel's StartTrackDisplay: title display and Play.
        std::function<void(const QString &title)> startTrackDisplay;
    };

    PlaylistSequencer(PlaylistModel &model, MainState &state, Hooks hooks);
    ~PlaylistSequencer();
    PlaylistSequencer(const PlaylistSequencer &) = delete;
    PlaylistSequencer &operator=(const PlaylistSequencer &) = delete;

    // The results list's side is wired in by whoever owns that list.
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // Null while there is no engine: then nothing can start.
    void setPlayer(PlaylistPlayer *player) { m_player = player; }

    // Opens the row's stream; only when that succeeds do the flag, the IDs,
    // the marks and the display change. False when no attempt was made.
    bool startRow(int row);
    // The index of the entry now playing, when the track came from here.
    std::optional<int> currentEntry() const;
    // The following / preceding entry; nothing past either end, and no
    // second attempt after a failed open.
    void next();
    void previous();

private:
    void rowOpened(int row, const PlaylistEntry &entry);
    // Tells the player which entry comes next, again whenever the rows change.
    void announceFollowing();

    PlaylistModel &m_model;
    MainState &m_state;
    Hooks m_hooks;
    PlaylistPlayer *m_player = nullptr;
    std::vector<QMetaObject::Connection> m_modelWatch;
    // Open completions hold a weak reference, so none reaches a destroyed sequencer.
    std::shared_ptr<PlaylistSequencer *> m_self = std::make_shared<PlaylistSequencer *>(this);
};
