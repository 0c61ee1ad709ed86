// CPU time to download and decode a 5-minute 128 kbit/s MP3 from loopback
// through a decode-only stream, against libmpg123 decoding the same bytes
// from memory. Target: ratio at most 1.15.
#include "BenchSupport.h"
#include "sonaroaudio.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

size_t decodeFromMemory(const std::string &mp3)
{
    mpg123_init();
    mpg123_handle *mh = mpg123_new(nullptr, nullptr);
    mpg123_open_feed(mh);
    mpg123_feed(mh, reinterpret_cast<const unsigned char *>(mp3.data()), mp3.size());
    size_t total = 0;
    for (;;) {
        off_t num = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        const int r = mpg123_decode_frame(mh, &num, &audio, &bytes);
        total += bytes;
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
            break;
    }
    mpg123_delete(mh);
    return total;
}

size_t decodeThroughLibrary(const std::string &url)
{
    const AUDIO_HANDLE h = AUDIO_StreamCreateURL(url.c_str(), 0, AUDIO_STREAM_DECODE, nullptr, nullptr);
    if (!h)
        return 0;
    std::vector<uint8_t> buf(4608 * 8);
    size_t total = 0;
    for (;;) {
        const uint32_t n = AUDIO_ChannelGetData(h, buf.data(), uint32_t(buf.size()));
        if (n == uint32_t(-1))
            break;
        total += n;
        if (n < buf.size())
            break;
    }
    AUDIO_StreamFree(h);
    return total;
}

} // namespace

int main()
{
    const std::string mp3 = makeMp3(300);
    if (mp3.empty()) {
        std::fprintf(stderr, "lame failed\n");
        return 1;
    }
    ServerProcess server("/track.mp3", mp3);
    if (!AUDIO_Init(AUDIO_DEVICE_SILENT, 44100, 0, nullptr, nullptr))
        return 1;
    double best = 1e9, bestRef = 1e9;
    size_t pcm = 0, pcmRef = 0;
    for (int round = 0; round < 3; ++round) {
        double t = processCpuSeconds();
        pcmRef = decodeFromMemory(mp3);
        bestRef = std::min(bestRef, processCpuSeconds() - t);
        t = processCpuSeconds();
        pcm = decodeThroughLibrary(server.url());
        best = std::min(best, processCpuSeconds() - t);
    }
    AUDIO_Free();
    std::printf("mp3 %zu bytes; PCM library %zu, reference %zu bytes\n", mp3.size(), pcm, pcmRef);
    std::printf("cpu: library %.3f s, libmpg123 from memory %.3f s, ratio %.3f (target <= 1.15)\n", best, bestRef,
                best / bestRef);
    return pcm == pcmRef ? 0 : 1;
}
