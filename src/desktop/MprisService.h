#pragma once

#include "MprisState.h"
#include "MprisTrack.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MprisPlayer;
class PlayerPanel;
class QAction;
class TKnob;
class TStreamPlayer;

// The program on the desktop's session bus as a media player that the
// desktop's controls (and tools such as playerctl) can show and steer. It
// only listens to the engine, the panel and the player menu, and steers
// through the window's own commands: the menu items (so a command does what
// its key does, and nothing while the item is disabled), the knob and the
// panel's seek. User-interface thread only.
class MprisService : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *ServiceName = "org.mpris.MediaPlayer2.sonaro_klient";
    static constexpr const char *PlayerInterface = "org.mpris.MediaPlayer2.Player";

    struct Ports
    {
        PlayerPanel &panel;
        TStreamPlayer &engine; // only listened to
        // "Přehrávač": Play, Pause, Stop, Další, Předchozí.
        QAction *play = nullptr;
        QAction *pause = nullptr;
        QAction *stop = nullptr;
        QAction *next = nullptr;
        QAction *previous = nullptr;
        TKnob *volume = nullptr;
        // The track whose display has just been set up (its length is read
        // from the engine).
        std::function<MprisTrack()> startedTrack;
        std::function<void()> raise;
        std::function<void()> quit;
    };

    // On the session bus, or null when there is none or it takes neither
    // the name nor the object: the program then goes on without it. The
    // panel, the engine, the items and the knob must outlive it.
    static std::unique_ptr<MprisService> start(Ports ports);

    MprisService(Ports ports, const QDBusConnection &bus);
    ~MprisService() override;

    // The bus name it holds ("<ServiceName>.instance<pid>" when another
    // copy of the program holds the plain one).
    QString busName() const { return m_busName; }

    // What the adaptors publish and do.
    QVariant published(const QString &name) const;
    qlonglong positionUs() const;
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offsetUs);
    void setPosition(const QDBusObjectPath &track, qlonglong positionUs);
    void setVolume(double volume);
    void raise();
    void quit();

private:
    bool claim();
    MprisState::Inputs inputs() const;
    // Sends PropertiesChanged for what differs from the last publication.
    void publish();
    void trackStarted();

    Ports m_ports;
    QDBusConnection m_bus;
    QString m_busName;
    MprisPlayer *m_player = nullptr; // adaptor, child of this
    MprisState m_state;
    std::optional<MprisTrack> m_track;
};
