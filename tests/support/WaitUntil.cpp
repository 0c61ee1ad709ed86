#include "WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

bool WaitUntil(const std::function<bool()> &done, int timeoutMs)
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
