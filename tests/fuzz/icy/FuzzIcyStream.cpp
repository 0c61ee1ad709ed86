// Takes the input as an ICY stream (after two bytes for the metadata interval
// and one that picks the sizes of the pieces it arrives in) and checks that
// the filter passes on the same audio and metadata whether the stream comes
// whole or in pieces, that nothing is made up, and that the title read from
// each metadata block is a part of it.
#include "input/IcyFilter.h"
#include "StreamNames.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Output
{
    std::string audio;
    std::vector<std::string> metas;
};

Output run(std::size_t interval, const std::uint8_t *data, std::size_t size, unsigned pieces)
{
    Output out;
    sonaroaudio::IcyFilter filter(
        interval, [&](const std::uint8_t *d, std::size_t n) { out.audio.append(reinterpret_cast<const char *>(d), n); },
        [&](const std::string &m) { out.metas.push_back(m); });
    std::size_t at = 0;
    unsigned seed = pieces;
    while (at < size) {
        // Piece sizes from 1 to 64 bytes, or the whole rest when pieces is 0.
        std::size_t n = size - at;
        if (pieces != 0) {
            seed = seed * 1103515245u + 12345u;
            n = std::min<std::size_t>(n, 1 + (seed >> 16) % 64);
        }
        filter.feed(data + at, n);
        at += n;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t interval = 1 + ((std::size_t(data[0]) << 8 | data[1]) % 1024);
    const unsigned pieces = data[2] | 1u;
    data += 3;
    size -= 3;

    const Output whole = run(interval, data, size, 0);
    const Output split = run(interval, data, size, pieces);
    check(whole.audio == split.audio && whole.metas == split.metas);

    // Every interval bytes of audio cost at least the length byte.
    check(whole.audio.size() <= size);
    check(whole.audio.size() >= (size / (interval + 1 + 255 * 16)) * interval);
    std::size_t metaBytes = 0;
    for (const std::string &meta : whole.metas) {
        check(!meta.empty() && meta.size() <= 255 * 16 && meta.find('\0') == std::string::npos);
        metaBytes += meta.size();
        const QByteArray block = QByteArray::fromStdString(meta);
        const QByteArray title = StreamNames::streamTitle(block);
        check(title.isEmpty() || block.contains(title));
        check(StreamNames::hasStreamTitle(block) || title.isEmpty());
        // The same title, quoted as a station sends it, reads back whole.
        if (!title.contains("';")) {
            const QByteArray quoted = "StreamTitle='" + title + "';StreamUrl='';";
            check(StreamNames::streamTitle(quoted) == title);
        }
    }
    check(whole.audio.size() + metaBytes <= size);

    // The audio's first bytes as header lines, for the bit rate.
    const QList<QByteArray> lines = QByteArray::fromStdString(whole.audio.substr(0, 256)).split('\n');
    check(StreamNames::icyBitRate(lines) >= 0);
    return 0;
}
