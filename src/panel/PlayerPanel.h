#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

#include <memory>

class PanelDisplay;
class PlayerControl;
struct MainState;

// The player panel's behaviour: the 250 ms poll that mirrors the engine into
// the panel, the transport commands, seeking from the bars, the volume, the
// start of a track's display and the marquee step. Holds no playback model
// of its own; the shared display values live in MainState.
// User-interface thread only.
class PlayerPanel : public QObject
{
    Q_OBJECT

public:
    PlayerPanel(MainState &state, PanelDisplay &display);
    ~PlayerPanel() override;

    // The engine the panel steers; null (before the engine exists or after
    // it is released) makes every command and the poll do nothing.
    void attach(std::unique_ptr<PlayerControl> player);
    PlayerControl *player() const { return m_player.get(); }

    // player_timer: one poll.
    void tick();
    // led_timer: one marquee step into the title label.
    void ledStep();

    // The buttons and the Play/Pause/Stop menu items.
    void play();
    void pause();
    void stop();
    // A press x pixels right of the left edge of the played or downloaded bar.
    void seekAt(int x);
    // The same seek to a time: only while playing or paused, and the number
    // display follows at once.
    void seekTo(std::uint32_t ms);
    // The knob's position, passed on unchanged.
    void setVolume(int position);

    // Run by every path that starts a track, right after a successful Open:
    // sets the title, reads the length and bit rate for the number display
    // and starts playing.
    void StartTrackDisplay(const QString &title);

signals:
    // A track's display has been set up and Play sent (the end of StartTrackDisplay).
    void trackStarted(const QString &title);
    // A seek reached the engine; position is where it now plays, in ms.
    void seeked(quint32 position);

private:
    void showStatus(const QString &status);

    MainState &m_state;
    PanelDisplay &m_display;
    std::unique_ptr<PlayerControl> m_player;
    // While the sound waits for the network: what the title shows instead
    // of the track's name, and its own scroll offset.
    QString m_status;
    int m_statusScroll = 0;
};
