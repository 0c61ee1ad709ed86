#include "TrackActions.h"

#include "SearchFlow.h"

#include "DownloadOrder.h"
#include "FileDialogOptions.h"
#include "MainState.h"
#include "Prompts.h"
#include "ServiceBase.h"
#include "ServiceRequests.h"
#include "THTTPGet.h"
#include "TTrackReply.h"
#include "TrackPlayer.h"
#include "TrackPlaylistRows.h"
#include "TrackResultsRows.h"
#include "TrackTitles.h"
#include "Windows1250.h"

#include <QFileInfo>

namespace {

QByteArray bytes(const std::string &text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TrackActions::TrackActions(Ports ports)
    : m_ports(std::move(ports))
    , m_listener(m_ports.fetcher, [this](const QByteArray &body) { onDoneString(body); }, [this] { onError(); })
{
}

QString TrackActions::failureText()
{
    // The main window's one message for a failed request.
    return SearchFlow::failureText();
}

QString TrackActions::overwriteText()
{
    return QStringLiteral("Soubor se stejným názvem již existuje. Přepsat?");
}

void TrackActions::send(const QByteArray &url)
{
    m_ports.fetcher.Abort();
    m_ports.fetcher.URL = ServiceBase::rebase(url, m_serviceBase);
    m_ports.fetcher.GetString();
}

void TrackActions::playSelected()
{
    const std::optional<QByteArray> id = m_ports.results.selectedTrackId();
    if (!id)
        return;
    m_ports.state.RequestedTrackId = Windows1250::decode(*id);
    m_playRequestId = m_ports.state.RequestedTrackId;
    send(ServiceRequests::Play(*id));
}

void TrackActions::downloadSelected()
{
    if (const std::optional<QByteArray> id = m_ports.results.selectedTrackId())
        download(*id);
}

void TrackActions::addSelected()
{
    if (const std::optional<QByteArray> id = m_ports.results.selectedTrackId())
        add(*id);
}

void TrackActions::download(const QByteArray &trackId)
{
    send(ServiceRequests::Download(trackId));
}

void TrackActions::add(const QByteArray &trackId, std::optional<int> position)
{
    send(ServiceRequests::Add(trackId, position));
}

void TrackActions::onDoneString(const QByteArray &body)
{
    const TReplyResult<TTrackReply> reply = TTrackReply::Read(body);
    if (!reply) {
        // Another kind of reply, or an action of no known kind: ignored.
        if (reply.error().kind == TReplyErrorKind::rekWrongKind)
            return;
        // Not XML, no record, a position that is no number: as good as no answer.
        onError();
        return;
    }
    switch (reply->action) {
    case TTrackAction::taPlay:
        playSteps(*reply);
        break;
    case TTrackAction::taDown:
        downloadSteps(*reply);
        break;
    case TTrackAction::taAdd:
        addSteps(*reply);
        break;
    }
}

void TrackActions::onError()
{
    m_ports.prompts.message(failureText());
}

void TrackActions::playSteps(const TTrackReply &reply)
{
    if (!m_player)
        return;
    // What the reply names is fixed now; the stream opens later.
    const QString trackId = m_playRequestId.value_or(m_ports.state.RequestedTrackId);
    const QString title = Windows1250::decode(
        TrackTitles::playTitle(bytes(reply.artist), bytes(reply.name), bytes(reply.album)));
    m_player->open(bytes(reply.url), [self = std::weak_ptr<TrackActions *>(m_self), trackId, title](bool opened) {
        if (const auto alive = self.lock(); alive && opened)
            (*alive)->playOpened(trackId, title);
    });
}

void TrackActions::playOpened(const QString &trackId, const QString &title)
{
    MainState &state = m_ports.state;
    state.PlayingFromPlaylist = false;
    state.PreviousTrackId = state.CurrentTrackId;
    state.CurrentTrackId = trackId;
    // A play request sent while this stream opened keeps its own ID.
    if (m_playRequestId == trackId)
        m_playRequestId.reset();

    if (m_ports.startTrackDisplay)
        m_ports.startTrackDisplay(title);

    // Unmark the previous track before marking the current one, so replaying
    // the same track keeps its mark.
    TrackResultsRows &results = m_ports.results;
    for (int row = 0; row < results.rowCount(); ++row) {
        const QString id = Windows1250::decode(results.trackId(row));
        if (id == state.PreviousTrackId)
            results.setNowPlaying(row, false);
        if (id == state.CurrentTrackId)
            results.setNowPlaying(row, true);
    }
    m_ports.playlist.clearMarks();
}

void TrackActions::downloadSteps(const TTrackReply &reply)
{
    FileDialogOptions &dialog = m_ports.saveDialog;
    if (!m_ports.prompts.saveFileName(dialog))
        return;
    const QString target = TrackTitles::mp3Target(dialog.fileName);
    if (QFileInfo::exists(target) && !m_ports.prompts.confirm(overwriteText()))
        return;

    DownloadOrder order;
    order.url = bytes(reply.url);
    order.file = target;
    order.title = Windows1250::decode(TrackTitles::downloadTitle(bytes(reply.artist), bytes(reply.name)));
    order.fullTitle = Windows1250::decode(
        TrackTitles::downloadFullTitle(bytes(reply.artist), bytes(reply.name), bytes(reply.album)));
    if (m_ports.openDownload)
        m_ports.openDownload(order);
}

void TrackActions::addSteps(const TTrackReply &reply)
{
    TrackPlaylistRows &playlist = m_ports.playlist;
    const int count = playlist.rowCount();
    // A position at or beyond the end appends, as does no position.
    const int index = reply.insertAt && *reply.insertAt < count ? *reply.insertAt : count;
    TrackPlaylistRows::Entry entry;
    entry.title = TrackTitles::playlistTitle(bytes(reply.artist), bytes(reply.name), bytes(reply.album));
    entry.length = bytes(reply.length);
    entry.url = bytes(reply.url);
    entry.trackId = bytes(reply.id);
    playlist.insertEntry(index, entry);
}
