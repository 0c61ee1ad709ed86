#pragma once

#include "PlaylistFile.h"
#include "PlaylistSequencer.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <optional>

class PlaylistDropRemover;
class PlaylistModel;
class PlaylistView;

// The playlist's operations, connected to its view and menus: starting,
// removing and downloading the selected entry, next and previous, adding a
// track from a reply, the file commands, and the drops.
class PlaylistController : public QObject
{
    Q_OBJECT

public:
    struct Hooks
    {
        PlaylistSequencer::Hooks sequencer;
        // Sends the download request for a track ID.
        std::function<void(const QByteArray &trackId)> sendDownload;
        // Sends the add request; position is the drop row, if any.
        std::function<void(const QByteArray &trackId, std::optional<int> position)> sendAdd;
    };

    PlaylistController(PlaylistView *view, MainState &state, Prompts &prompts, FileDialogOptions &openDialog,
                       FileDialogOptions &saveDialog, Hooks hooks, QObject *parent = nullptr);
    ~PlaylistController() override;

    PlaylistModel &model() { return *m_model; }
    PlaylistFile &file() { return m_file; }
    PlaylistSequencer &sequencer() { return m_sequencer; }
    PlaylistDropRemover &dropRemover() { return *m_remover; }

    void startSelected();
    void removeSelected();
    void downloadSelected();
    void newPlaylist();
    // ControlPlayEnd and "Další".
    void next() { m_sequencer.next(); }
    // "Předchozí".
    void previous() { m_sequencer.previous(); }
    // The add steps of an "add" reply: a new unmarked row at position (an
    // index at or beyond the end appends), or at the end without one.
    void addFromReply(const QByteArray &artist, const QByteArray &name, const QByteArray &album,
                      const QByteArray &length, const QByteArray &url, const QByteArray &trackId,
                      std::optional<int> position);
    // "interpret - jmeno album", the separators only with their parts.
    static QByteArray addedTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album);

private:
    void onResultDropped(int targetRow, const QByteArray &trackId);

    PlaylistView *m_view;
    PlaylistModel *m_model; // child of the view
    Hooks m_hooks;
    PlaylistFile m_file;
    PlaylistSequencer m_sequencer;
    PlaylistDropRemover *m_remover; // child of this
};
