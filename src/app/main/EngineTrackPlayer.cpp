#include "EngineTrackPlayer.h"

#include "TStreamPlayer.h"

void EngineTrackPlayer::open(const QByteArray &url, OpenDone done)
{
    m_player.Open(url, std::move(done));
}

QByteArray EngineTrackPlayer::streamName() const
{
    return m_player.StreamName();
}

void EngineTrackPlayer::openAhead(const QByteArray &url)
{
    m_player.OpenAhead(url);
}
