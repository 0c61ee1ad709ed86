#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Runs the event loop until the condition holds or the time is up, so a
// missing reply fails the test instead of hanging it.
inline bool WaitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // keeps the loop waking up while nothing else arrives
    tick.start(5);
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void ProcessEventsFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}
