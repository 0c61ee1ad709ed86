#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into received() on the user-interface thread. The
// handler only writes a byte to a pipe (the self-pipe trick); one instance per
// process.
class SignalCloser : public QObject
{
    Q_OBJECT

public:
    explicit SignalCloser(QObject *parent = nullptr);
    ~SignalCloser() override;

signals:
    void received();

private:
    void drain();

    int m_fds[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
