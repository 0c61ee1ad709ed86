#pragma once

#include "FetcherListener.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Prompts;
class THTTPGet;
class TrackPlayer;
class TrackPlaylistRows;
class TrackResultsRows;
struct DownloadOrder;
struct FileDialogOptions;
struct MainState;
struct TTrackReply;

// Play, download and add to playlist: the commands that send the track
// requests on the main window's track fetcher, and the handler of their
// replies, which opens the stream, starts a download window or adds a
// playlist entry. User-interface thread only.
class TrackActions
{
public:
    struct Ports
    {
        THTTPGet &fetcher; // HTTPGetGet; this flow listens to its reply and error events
        MainState &state;
        Prompts &prompts;
        FileDialogOptions &saveDialog; // svd_mp3
        TrackResultsRows &results;
        TrackPlaylistRows &playlist;
        // The panel's StartTrackDisplay: title, length, bit rate, Play.
        std::function<void(const QString &title)> startTrackDisplay;
        // Creates a download window with these inputs and shows it without blocking.
        std::function<void(const DownloadOrder &order)> openDownload;
    };

    explicit TrackActions(Ports ports);

    TrackActions(const TrackActions &) = delete;
    TrackActions &operator=(const TrackActions &) = delete;

    // Null while there is no engine; a play reply then starts nothing.
    void setPlayer(TrackPlayer *player) { m_player = player; }
    // Requests go to this service address instead of the installation's one.
    void setServiceBase(const QByteArray &base) { m_serviceBase = base; }

    // The results list's commands; each does nothing without a selected row.
    void playSelected();
    void downloadSelected();
    void addSelected();
    // The playlist's download command and the drop of a result onto the
    // playlist (position: the entry it was dropped on).
    void download(const QByteArray &trackId);
    void add(const QByteArray &trackId, std::optional<int> position = std::nullopt);

    // HTTPGetGetDoneString and HTTPGetGetError.
    void onDoneString(const QByteArray &body);
    void onError();

    static QString failureText();   // "Při dotazu na server došlo k chybě. "
    static QString overwriteText(); // "Soubor se stejným názvem již existuje. Přepsat?"

private:
    void send(const QByteArray &url);
    void playSteps(const TTrackReply &reply);
    void playOpened(const QString &trackId, const QString &title);
    void downloadSteps(const TTrackReply &reply);
    void addSteps(const TTrackReply &reply);

    Ports m_ports;
    TrackPlayer *m_player = nullptr;
    QByteArray m_serviceBase;
    // The track of the play request this flow sent last. A playlist start
    // also writes RequestedTrackId, and must not rename a stream whose play
    // reply arrives after it.
    std::optional<QString> m_playRequestId;
    // Open completions hold a weak reference, so none reaches a destroyed flow.
    std::shared_ptr<TrackActions *> m_self = std::make_shared<TrackActions *>(this);
    // Last, so that it is cut before what its calls use goes.
    FetcherListener m_listener;
};
