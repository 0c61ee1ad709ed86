#include "EngineTrackPlayer.h"

#include "TStreamPlayer.h"
#include "Windows1250.h"

bool EngineTrackPlayer::open(const QByteArray &url)
{
    return m_player.Open(Windows1250::decode(url));
}

QByteArray EngineTrackPlayer::streamName() const
{
    return Windows1250::encode(m_player.StreamName());
}
