#include "EngineWindow.h"

#include "SyncMailbox.h"
#include "TStreamPlayer.h"

namespace {
// How often the end-of-stream wait looks at the output channel.
constexpr int kDrainPollMs = 20;
// How often a stream whose download failed is looked at.
constexpr int kFaultPollMs = 100;
} // namespace

EngineWindow::EngineWindow(TStreamPlayer *player)
    : QObject(player)
    , player_(player)
{
    drainTimer_.setInterval(kDrainPollMs);
    connect(&drainTimer_, &QTimer::timeout, this, [this] { player_->drainTick(); });
    faultTimer_.setInterval(kFaultPollMs);
    connect(&faultTimer_, &QTimer::timeout, this, [this] { player_->faultTick(); });
}

void EngineWindow::startFaultWatch()
{
    faultTimer_.start();
}

void EngineWindow::stopFaultWatch()
{
    faultTimer_.stop();
}

void EngineWindow::startDrain()
{
    drainTimer_.start();
}

void EngineWindow::stopDrain()
{
    drainTimer_.stop();
}

bool EngineWindow::event(QEvent *event)
{
    if (event->type() >= QEvent::User) {
        player_->handleEvent(event);
        return true;
    }
    return QObject::event(event);
}
