#include "MprisPlayer.h"

#include "MprisService.h"

MprisPlayer::MprisPlayer(MprisService &service) : QDBusAbstractAdaptor(&service), m_service(service) {}

bool MprisPlayer::flag(const char *name) const
{
    return m_service.published(QString::fromLatin1(name)).toBool();
}

QString MprisPlayer::PlaybackStatus() const
{
    return m_service.published(QStringLiteral("PlaybackStatus")).toString();
}

QVariantMap MprisPlayer::Metadata() const
{
    return m_service.published(QStringLiteral("Metadata")).toMap();
}

double MprisPlayer::Volume() const
{
    return m_service.published(QStringLiteral("Volume")).toDouble();
}

void MprisPlayer::setVolume(double volume)
{
    m_service.setVolume(volume);
}

qlonglong MprisPlayer::Position() const
{
    return m_service.positionUs();
}

bool MprisPlayer::CanGoNext() const
{
    return flag("CanGoNext");
}

bool MprisPlayer::CanGoPrevious() const
{
    return flag("CanGoPrevious");
}

bool MprisPlayer::CanPlay() const
{
    return flag("CanPlay");
}

bool MprisPlayer::CanPause() const
{
    return flag("CanPause");
}

bool MprisPlayer::CanSeek() const
{
    return flag("CanSeek");
}

void MprisPlayer::Play()
{
    m_service.play();
}

void MprisPlayer::Pause()
{
    m_service.pause();
}

void MprisPlayer::PlayPause()
{
    m_service.playPause();
}

void MprisPlayer::Stop()
{
    m_service.stop();
}

void MprisPlayer::Next()
{
    m_service.next();
}

void MprisPlayer::Previous()
{
    m_service.previous();
}

void MprisPlayer::Seek(qlonglong Offset)
{
    m_service.seek(Offset);
}

void MprisPlayer::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    m_service.setPosition(TrackId, Position);
}
