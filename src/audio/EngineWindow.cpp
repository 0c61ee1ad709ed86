#include "EngineWindow.h"

#include "SyncMailbox.h"
#include "TStreamPlayer.h"

namespace {
// How often the end-of-stream wait looks at the output channel.
constexpr int kDrainPollMs = 20;
// How often a stream whose download failed is looked at.
constexpr int kFaultPollMs = 100;
} // namespace

EngineWindow::EngineWindow(TStreamPlayer *player, SyncMailbox &mailbox)
    : QObject(player)
    , player_(player)
    , mailbox_(mailbox)
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
    mailbox_.received(); // before any field of the event, its type too, is read
    if (event->type() >= QEvent::User) {
        player_->handleEvent(event);
        return true;
    }
    return QObject::event(event);
}
