#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// MP3 files made for the tests with sox and lame, once per test program.
namespace TestMedia {

// A sine tone of the given length; lame writes no tag unless asked.
// Empty on failure (the reason goes to the test log).
QByteArray mp3(double seconds, int rate = 44100, int channels = 2, int kbps = 128,
               const QStringList &lameExtra = {});

} // namespace TestMedia
