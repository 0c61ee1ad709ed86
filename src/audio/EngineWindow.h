#pragma once

#include <QObject>
#include <QTimer>

class TStreamPlayer;

// The engine's hidden window: receives the messages posted by the library's
// callbacks and runs the wait for the output to fall silent, all on the
// user-interface thread.
struct SyncMailbox;

class EngineWindow : public QObject
{
public:
    EngineWindow(TStreamPlayer *player, SyncMailbox &mailbox);

    void startDrain();
    void stopDrain();
    // While a failed download's data plays out: looks for the sound to run dry.
    void startFaultWatch();
    void stopFaultWatch();

protected:
    bool event(QEvent *event) override;

private:
    TStreamPlayer *player_;
    SyncMailbox &mailbox_;
    QTimer drainTimer_;
    QTimer faultTimer_;
};
