#include "MprisState.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

const QString TrackPathPrefix = QStringLiteral("/io/github/sonaro/Klient/track/t");
const QString NoTrackPath = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

} // namespace

QString MprisState::playbackStatus(TPlayerMode mode)
{
    switch (mode) {
    case plmPlaying:
        return QStringLiteral("Playing");
    case plmPaused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QDBusObjectPath MprisState::trackPath(const std::optional<MprisTrack> &track)
{
    if (!track)
        return QDBusObjectPath(NoTrackPath);
    // Service IDs are any text; hexadecimal keeps the path's element to
    // letters and digits, and the prefix keeps it non-empty.
    return QDBusObjectPath(TrackPathPrefix + QString::fromLatin1(track->trackId.toUtf8().toHex()));
}

QVariantMap MprisState::metadata(const std::optional<MprisTrack> &track)
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackPath(track)));
    if (!track)
        return map;
    if (!track->title.isEmpty())
        map.insert(QStringLiteral("xesam:title"), track->title);
    if (!track->artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{track->artist});
    if (!track->album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), track->album);
    if (track->lengthMs > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(track->lengthMs) * 1000);
    if (!track->url.isEmpty())
        map.insert(QStringLiteral("xesam:url"), track->url);
    return map;
}

double MprisState::volume(int position)
{
    return std::clamp(position, 0, 255) / 255.0;
}

int MprisState::knobPosition(double volume)
{
    if (std::isnan(volume))
        return 0;
    return static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 255.0));
}

bool MprisState::canPlay(const Inputs &in)
{
    return in.mode != plmStandby;
}

bool MprisState::canSeek(const Inputs &in)
{
    return (in.mode == plmPlaying || in.mode == plmPaused) && in.track && in.track->lengthMs > 0;
}

QVariantMap MprisState::properties(const Inputs &in)
{
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus(in.mode)},
        {QStringLiteral("Metadata"), metadata(in.track)},
        {QStringLiteral("Volume"), volume(in.volumePosition)},
        {QStringLiteral("CanPlay"), canPlay(in)},
        {QStringLiteral("CanPause"), canPlay(in)},
        {QStringLiteral("CanGoNext"), in.nextEnabled},
        {QStringLiteral("CanGoPrevious"), in.previousEnabled},
        {QStringLiteral("CanSeek"), canSeek(in)},
    };
}

QVariantMap MprisState::changes(const Inputs &in)
{
    const QVariantMap now = properties(in);
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (!m_published.contains(it.key()) || m_published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    m_published = now;
    return changed;
}
