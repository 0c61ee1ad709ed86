#include "EngineTrackPlayer.h"

#include "TStreamPlayer.h"
#include "Windows1250.h"

void EngineTrackPlayer::open(const QByteArray &url, OpenDone done)
{
    m_player.Open(Windows1250::decode(url), std::move(done));
}

QByteArray EngineTrackPlayer::streamName() const
{
    return Windows1250::encode(m_player.StreamName());
}

void EngineTrackPlayer::openAhead(const QByteArray &url)
{
    m_player.OpenAhead(Windows1250::decode(url));
}
