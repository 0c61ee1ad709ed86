#pragma once

#include "WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Runs the event loop for a while, whatever arrives.
inline void ProcessEventsFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}
