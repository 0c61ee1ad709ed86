#include "MprisService.h"

#include "MprisPlayer.h"
#include "MprisRoot.h"
#include "PlayerControl.h"
#include "PlayerPanel.h"
#include "TKnob.h"
#include "TStreamPlayer.h"
#include "ThreadPoolShutdown.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QFileInfo>

#include <cstdlib>

namespace {

// The name Qt's bus connection thread has, as the kernel keeps it.
constexpr char BusThreadName[] = "QDBusConnection";

void awaitBusThread()
{
    ThreadPoolShutdown::waitUntilGone(BusThreadName, 2000);
}

// Where no address is set and no socket sits at the usual place there is
// no session bus, and the bus library's thread is not worth starting.
bool sessionBusOffered()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

} // namespace

std::unique_ptr<MprisService> MprisService::start(Ports ports)
{
    if (!sessionBusOffered())
        return nullptr;
    // Qt stops its bus thread from an exit-time destructor, and the thread's
    // own data is freed only once it has really ended. A handler registered
    // before that destructor runs after it and waits for the end, so nothing
    // is left half torn down when the process's last checks run. Where the
    // thread exists already its destructor came first, and waiting would
    // only delay the exit.
    static const bool awaited = !ThreadPoolShutdown::threadListed(BusThreadName) && std::atexit(awaitBusThread) == 0;
    Q_UNUSED(awaited);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    auto service = std::make_unique<MprisService>(std::move(ports), bus);
    if (!service->claim())
        return nullptr;
    return service;
}

MprisService::MprisService(Ports ports, const QDBusConnection &bus) : m_ports(std::move(ports)), m_bus(bus)
{
    new MprisRoot(*this);
    m_player = new MprisPlayer(*this);

    connect(&m_ports.engine, &TStreamPlayer::OnModeChange, this, &MprisService::publish);
    // The length is known only once the whole file has arrived.
    connect(&m_ports.engine, &TStreamPlayer::OnDownloaded, this, &MprisService::publish);
    connect(&m_ports.panel, &PlayerPanel::trackStarted, this, &MprisService::trackStarted);
    connect(&m_ports.panel, &PlayerPanel::seeked, m_player,
            [player = m_player](quint32 ms) { emit player->Seeked(qlonglong(ms) * 1000); });
    // The panel's poll enables and disables the playlist's steps.
    for (QAction *item : {m_ports.next, m_ports.previous})
        connect(item, &QAction::changed, this, &MprisService::publish);
    connect(m_ports.volume, &TKnob::OnChange, this, &MprisService::publish);
    // What a newly connected client reads without waiting for a change.
    m_state.changes(inputs());
}

MprisService::~MprisService()
{
    if (!m_busName.isEmpty())
        m_bus.unregisterService(m_busName);
    m_bus.unregisterObject(QString::fromLatin1(ObjectPath));
}

bool MprisService::claim()
{
    if (!m_bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    const QString name = QString::fromLatin1(ServiceName);
    const QString instance = name + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    for (const QString &candidate : {name, instance}) {
        if (m_bus.registerService(candidate)) {
            m_busName = candidate;
            return true;
        }
    }
    return false;
}

MprisState::Inputs MprisService::inputs() const
{
    MprisState::Inputs in;
    const PlayerControl *player = m_ports.panel.player();
    in.mode = player ? player->mode() : plmStandby;
    in.track = m_track;
    if (in.track && player)
        in.track->lengthMs = player->playLength();
    in.volumePosition = m_ports.volume->Position();
    in.nextEnabled = m_ports.next->isEnabled();
    in.previousEnabled = m_ports.previous->isEnabled();
    return in;
}

QVariant MprisService::published(const QString &name) const
{
    return MprisState::properties(inputs()).value(name);
}

qlonglong MprisService::positionUs() const
{
    const PlayerControl *player = m_ports.panel.player();
    return player && m_track ? qlonglong(player->position()) * 1000 : 0;
}

void MprisService::publish()
{
    const QVariantMap changed = m_state.changes(inputs());
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(PlayerInterface) << changed << QStringList();
    m_bus.send(signal);
}

void MprisService::trackStarted()
{
    m_track = m_ports.startedTrack ? m_ports.startedTrack() : MprisTrack();
    publish();
}

void MprisService::play()
{
    m_ports.play->trigger();
}

void MprisService::pause()
{
    m_ports.pause->trigger();
}

void MprisService::playPause()
{
    const PlayerControl *player = m_ports.panel.player();
    if (player && player->mode() == plmPlaying)
        pause();
    else
        play();
}

void MprisService::stop()
{
    m_ports.stop->trigger();
}

void MprisService::next()
{
    m_ports.next->trigger();
}

void MprisService::previous()
{
    m_ports.previous->trigger();
}

void MprisService::seek(qlonglong offsetUs)
{
    const MprisState::Inputs in = inputs();
    if (!MprisState::canSeek(in))
        return;
    const qlonglong target = positionUs() + offsetUs;
    // Past the end the interface asks for the next track, as "Další" gives it.
    if (target > qlonglong(in.track->lengthMs) * 1000) {
        next();
        return;
    }
    m_ports.panel.seekTo(std::uint32_t(std::max<qlonglong>(target, 0) / 1000));
}

void MprisService::setPosition(const QDBusObjectPath &track, qlonglong positionUs)
{
    const MprisState::Inputs in = inputs();
    if (!MprisState::canSeek(in) || track != MprisState::trackPath(in.track))
        return;
    if (positionUs < 0 || positionUs > qlonglong(in.track->lengthMs) * 1000)
        return;
    m_ports.panel.seekTo(std::uint32_t(positionUs / 1000));
}

void MprisService::setVolume(double volume)
{
    // The knob passes its new position to the engine, as a turn by hand does.
    m_ports.volume->setPosition(MprisState::knobPosition(volume));
}

void MprisService::raise()
{
    if (m_ports.raise)
        m_ports.raise();
}

void MprisService::quit()
{
    // After the reply: closing the window releases this service.
    if (m_ports.quit)
        QMetaObject::invokeMethod(this, m_ports.quit, Qt::QueuedConnection);
}
