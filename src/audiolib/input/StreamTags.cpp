#include "input/StreamTags.h"

#include "decode/Decoder.h"
#include "decode/MpegSniffer.h"
#include "input/Download.h"
#include "sonaroaudio.h"

#include <vector>

namespace sonaroaudio {

namespace {

std::string joinList(const std::vector<std::string> &items)
{
    std::string out;
    for (const auto &item : items) {
        out += item;
        out += '\0';
    }
    out += '\0';
    return out;
}

} // namespace

void StreamTags::addMeta(const std::string &text)
{
    std::lock_guard lock(mutex_);
    meta_[metaCount_ % meta_.size()] = text;
    ++metaCount_;
}

std::string StreamTags::latestMeta() const
{
    std::lock_guard lock(mutex_);
    return metaCount_ == 0 ? std::string() : meta_[(metaCount_ - 1) % meta_.size()];
}

const char *StreamTags::keep(uint32_t type, std::string text)
{
    // Caller holds mutex_. A stored block never changes, so pointers stay valid.
    return blocks_.emplace(type, std::move(text)).first->second.c_str();
}

int StreamTags::find(uint32_t type, const Download &download, const Decoder &decoder, const char *&result)
{
    std::lock_guard lock(mutex_);
    if (type == AUDIO_TAG_META) {
        if (metaCount_ == 0)
            return AUDIO_ERROR_NOT_AVAILABLE;
        result = meta_[(metaCount_ - 1) % meta_.size()].c_str();
        return AUDIO_OK;
    }
    if (const auto it = blocks_.find(type); it != blocks_.end()) {
        result = it->second.c_str();
        return AUDIO_OK;
    }
    const ByteStore &store = download.store();
    switch (type) {
    case AUDIO_TAG_ID3: {
        if (!store.finished() || store.windowed() || store.received() < 128)
            return AUDIO_ERROR_NOT_AVAILABLE;
        std::string block(128, '\0');
        store.read(store.received() - 128, reinterpret_cast<uint8_t *>(block.data()), 128, false);
        if (block.compare(0, 3, "TAG") != 0)
            return AUDIO_ERROR_NOT_AVAILABLE;
        result = keep(type, std::move(block));
        return AUDIO_OK;
    }
    case AUDIO_TAG_ID3V2: {
        uint8_t head[10];
        const auto span = store.read(0, head, sizeof head, false);
        const size_t size = span.at == 0 ? MpegSniffer::id3v2Size(head, span.count) : 0;
        if (size == 0 || store.received() < size)
            return AUDIO_ERROR_NOT_AVAILABLE;
        std::string block(size, '\0');
        if (store.read(0, reinterpret_cast<uint8_t *>(block.data()), size, false).count != size)
            return AUDIO_ERROR_NOT_AVAILABLE;
        result = keep(type, std::move(block));
        return AUDIO_OK;
    }
    case AUDIO_TAG_OGG: {
        const auto comments = decoder.comments();
        if (comments.empty())
            return AUDIO_ERROR_NOT_AVAILABLE;
        result = keep(type, joinList(comments));
        return AUDIO_OK;
    }
    case AUDIO_TAG_HTTP:
    case AUDIO_TAG_ICY: {
        const auto lines = download.headers(type == AUDIO_TAG_ICY);
        if (lines.empty())
            return AUDIO_ERROR_NOT_AVAILABLE;
        result = keep(type, joinList(lines));
        return AUDIO_OK;
    }
    default:
        return AUDIO_ERROR_NOT_AVAILABLE;
    }
}

} // namespace sonaroaudio
