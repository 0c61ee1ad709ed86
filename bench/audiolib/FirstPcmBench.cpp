// Wall time from AUDIO_StreamCreateURL to the first decoded PCM, in process,
// over loopback. Target: at most 5 ms.
#include "BenchSupport.h"
#include "sonaroaudio.h"

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    const std::string mp3 = makeMp3(30);
    if (mp3.empty())
        return 1;
    ServerProcess server("/track.mp3", mp3);
    if (!AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr))
        return 1;
    std::vector<double> times;
    std::vector<uint8_t> buf(4608);
    for (int i = 0; i < 41; ++i) {
        const double t = wallSeconds();
        const AUDIO_HANDLE h = AUDIO_StreamCreateURL(server.url().c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
        const uint32_t n = h ? AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size())) : 0;
        const double elapsed = wallSeconds() - t;
        if (n != buf.size()) {
            std::fprintf(stderr, "no PCM (error %d)\n", AUDIO_ErrorGetCode());
            return 1;
        }
        AUDIO_StreamFree(h);
        if (i > 0) // the first one pays for loading TLS and resolver state
            times.push_back(elapsed * 1000);
    }
    AUDIO_Free();
    std::sort(times.begin(), times.end());
    std::printf("create to first PCM over loopback: median %.2f ms, 90th %.2f ms, max %.2f ms (target <= 5 ms)\n",
                times[times.size() / 2], times[times.size() * 9 / 10], times.back());
    return 0;
}
