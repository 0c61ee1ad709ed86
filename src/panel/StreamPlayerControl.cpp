#include "StreamPlayerControl.h"

#include "TStreamPlayer.h"

TPlayerMode StreamPlayerControl::mode() const { return m_player.Mode(); }
std::uint32_t StreamPlayerControl::playLength() const { return m_player.PlayLength(); }
std::uint32_t StreamPlayerControl::position() const { return m_player.Position(); }
void StreamPlayerControl::setPosition(std::uint32_t ms) { m_player.SetPosition(ms); }
bool StreamPlayerControl::netStream() const { return m_player.NetStream(); }
std::uint32_t StreamPlayerControl::downloadedBytes() const { return m_player.DownloadedBytes(); }
std::uint32_t StreamPlayerControl::streamSize() const { return m_player.StreamInfo().StreamSize; }
std::int32_t StreamPlayerControl::bitRate() const { return m_player.StreamInfo().BitRate; }
bool StreamPlayerControl::waitingForData() const { return m_player.WaitingForData(); }
bool StreamPlayerControl::reconnecting() const { return m_player.Reconnecting(); }
bool StreamPlayerControl::stoppedAtFault() const { return m_player.StoppedAtFault(); }
void StreamPlayerControl::play() { m_player.Play(); }
void StreamPlayerControl::pause() { m_player.Pause(true); }
void StreamPlayerControl::stop() { m_player.Stop(); }
void StreamPlayerControl::setVolume(std::uint32_t volume) { m_player.SetVolume(volume); }
