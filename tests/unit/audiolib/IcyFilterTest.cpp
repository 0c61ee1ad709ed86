#include "input/IcyFilter.h"

#include <gtest/gtest.h>

#include <random>

using sonaroaudio::IcyFilter;

namespace {

// An ICY body: audio with a metadata block after every interval bytes.
std::string icyBody(const std::string &audio, size_t interval, const std::vector<std::string> &metas)
{
    std::string out;
    size_t meta = 0;
    for (size_t at = 0; at < audio.size(); at += interval) {
        out += audio.substr(at, interval);
        if (at + interval > audio.size())
            break;
        const std::string text = metas.empty() ? "" : metas[meta++ % metas.size()];
        const size_t blocks = (text.size() + 15) / 16;
        out += char(blocks);
        out += text;
        out += std::string(blocks * 16 - text.size(), '\0');
    }
    return out;
}

} // namespace

TEST(AudiolibIcyFilter, StripsMetadataWhateverThePieceSizes)
{
    std::string audio(10000, '\0');
    std::mt19937 rng(1);
    for (auto &c : audio)
        c = char(rng());
    // Titles of 16 bytes exactly, empty blocks, and ones needing padding.
    const std::vector<std::string> metas = {"StreamTitle='A';", "", "StreamTitle='Longer title here';"};
    const std::string body = icyBody(audio, 1000, metas);

    for (size_t piece : {size_t(1), size_t(7), size_t(999), size_t(1000), size_t(1001), body.size()}) {
        SCOPED_TRACE(piece);
        std::string gotAudio;
        std::vector<std::string> gotMeta;
        IcyFilter filter(1000, [&](const uint8_t *d, size_t n) { gotAudio.append(reinterpret_cast<const char *>(d), n); },
                         [&](const std::string &m) { gotMeta.push_back(m); });
        for (size_t at = 0; at < body.size(); at += piece)
            filter.feed(reinterpret_cast<const uint8_t *>(body.data()) + at, std::min(piece, body.size() - at));
        EXPECT_EQ(gotAudio, audio);
        // Ten blocks: title, empty, long title, ... ; empty ones are not reported.
        ASSERT_EQ(gotMeta.size(), 7u);
        EXPECT_EQ(gotMeta[0], "StreamTitle='A';");
        EXPECT_EQ(gotMeta[1], "StreamTitle='Longer title here';");
    }
}
