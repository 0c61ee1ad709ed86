#include "PlayerPanel.h"

#include "LedMarquee.h"
#include "MainState.h"
#include "PanelButtons.h"
#include "PanelDisplay.h"
#include "PanelMath.h"
#include "PanelText.h"
#include "PlayerControl.h"

#include <algorithm>

PlayerPanel::PlayerPanel(MainState &state, PanelDisplay &display) : m_state(state), m_display(display) {}

PlayerPanel::~PlayerPanel() = default;

void PlayerPanel::attach(std::unique_ptr<PlayerControl> player)
{
    m_player = std::move(player);
}

void PlayerPanel::tick()
{
    if (!m_player)
        return;
    PlayerControl &p = *m_player;
    const TPlayerMode mode = p.mode();
    // 1: downloaded part; an unknown size leaves the bar as it is.
    if (p.netStream()) {
        if (const auto width = PanelMath::downloadBarWidth(p.downloadedBytes(), m_state.BarScale, p.streamSize()))
            m_display.setDownloadBar(*width);
    }
    // A stream cut off for good stops where it was and goes on from there.
    const bool keepPosition = mode != plmStopped || p.stoppedAtFault();
    // 2: played part.
    // Read once, so the bar and the time agree within a tick.
    const std::uint32_t position = keepPosition ? p.position() : 0;
    if (keepPosition) {
        if (const auto width = PanelMath::playBarWidth(position, m_state.BarScale, p.playLength()))
            m_display.setPlayBar(*width);
    }
    // While the sound waits for data the title says so and the time stands still.
    const bool waiting = mode == plmPlaying && p.waitingForData();
    showStatus(waiting ? (p.reconnecting() ? QStringLiteral("Obnovuji spojení...") : QStringLiteral("Načítám data..."))
                       : QString());
    // 3: time.
    if (mode == plmPlaying && !waiting)
        m_display.showNumbers(PanelText::numbers(m_state.BitrateText, position, m_state.TotalTimeText));
    // 4: stopped.
    if (mode == plmStopped) {
        m_display.showNumbers(PanelText::numbers(m_state.BitrateText, position, m_state.TotalTimeText));
        if (!keepPosition)
            m_display.setPlayBar(0);
    }
    // 4-6: buttons and menu items; standby and ready leave them alone.
    if (const auto buttons = PanelButtons::forMode(mode))
        m_display.showButtons(*buttons);
    // 7
    m_display.enablePlaylistNavigation(m_state.PlayingFromPlaylist);
}

void PlayerPanel::ledStep()
{
    if (!m_status.isEmpty()) {
        QString status = m_status;
        m_display.showTitle(LedMarquee::step(status, m_statusScroll));
        return;
    }
    m_display.showTitle(LedMarquee::step(m_state.LedText, m_state.LedScrollPos));
}

void PlayerPanel::showStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    m_statusScroll = 0;
    // At once, not at the next marquee step; the track's title comes back the same way.
    ledStep();
}

void PlayerPanel::play()
{
    if (m_player)
        m_player->play();
}

void PlayerPanel::pause()
{
    if (m_player)
        m_player->pause();
}

void PlayerPanel::stop()
{
    if (m_player)
        m_player->stop();
}

void PlayerPanel::seekAt(int x)
{
    if (!m_player)
        return;
    const auto target = PanelMath::seekTarget(x, m_player->playLength(), m_state.BarScale);
    if (target)
        seekTo(*target);
}

void PlayerPanel::seekTo(std::uint32_t ms)
{
    if (!m_player)
        return;
    const TPlayerMode mode = m_player->mode();
    if (mode != plmPlaying && mode != plmPaused)
        return;
    m_player->setPosition(ms);
    // The display follows at once, also while paused.
    const std::uint32_t position = m_player->position();
    m_display.showNumbers(PanelText::numbers(m_state.BitrateText, position, m_state.TotalTimeText));
    emit seeked(position);
}

void PlayerPanel::setVolume(int position)
{
    if (m_player)
        m_player->setVolume(std::uint32_t(std::clamp(position, 0, 255)));
}

void PlayerPanel::StartTrackDisplay(const QString &title)
{
    if (!m_player)
        return;
    m_state.LedText = title;
    m_state.LedScrollPos = 0;
    m_state.TotalTimeText = PanelText::timeText(m_player->playLength());
    m_state.BitrateText = PanelText::bitrateText(m_player->bitRate());
    m_display.showNumbers(PanelText::numbers(m_state.BitrateText, 0, m_state.TotalTimeText));
    m_player->play();
    emit trackStarted(title);
}
