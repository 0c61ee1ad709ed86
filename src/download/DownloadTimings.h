#pragma once

#include "NetTimeouts.h"

// How patiently a download waits and retries; tests shorten them.
struct DownloadTimings
{
    int ConnectMs = NetTimeouts::ConnectMs;
    int StallMs = NetTimeouts::StallMs;
    int FirstRetryMs = 1000; // then doubled for each further retry
    int Retries = 4;         // automatic ones, before the download fails
};
