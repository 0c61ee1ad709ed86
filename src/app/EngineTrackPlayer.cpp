#include "EngineTrackPlayer.h"

#include "TStreamPlayer.h"
#include "Windows1250.h"

bool EngineTrackPlayer::open(const QByteArray &url)
{
    return m_player.Open(Windows1250::decode(url));
}
