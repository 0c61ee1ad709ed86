#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace sonaroaudio {

class Decoder;
class Download;

// The tag blocks of one internet stream (AUDIO_TAG_*), read from the
// download or the decoder the first time they are asked for and kept, so
// that the pointers handed out stay valid while the stream lives. Any thread.
class StreamTags {
public:
    // A new metadata text of the stream (download thread).
    void addMeta(const std::string &text);
    // The newest metadata text, empty before the first.
    std::string latestMeta() const;
    // AUDIO_OK with text set, or AUDIO_ERROR_NOT_AVAILABLE when the block is
    // absent or has not arrived yet.
    int find(uint32_t type, const Download &download, const Decoder &decoder, const char *&text);

private:
    const char *keep(uint32_t type, std::string text);

    mutable std::mutex mutex_;
    std::map<uint32_t, std::string> blocks_; // guarded by mutex_; never changed once stored
    std::array<std::string, 8> meta_;        // guarded by mutex_; recent metadata texts
    size_t metaCount_ = 0;                   // guarded by mutex_
};

} // namespace sonaroaudio
