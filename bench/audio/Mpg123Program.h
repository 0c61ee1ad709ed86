#pragma once

#include <QString>

// CPU seconds (user and system) the mpg123 program spends decoding url to
// nowhere, or -1 when it cannot run or fails: the yardstick of the playing
// benches.
double mpg123ProgramCpu(const QString &url);
