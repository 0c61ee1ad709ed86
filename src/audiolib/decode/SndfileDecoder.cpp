#include "decode/SndfileDecoder.h"

#include "input/Download.h"
#include "sonaroaudio.h"

#include <sndfile.h>

#include <cstdio>
#include <limits>

namespace sonaroaudio {

namespace {

constexpr size_t kBlockFrames = 4096;

sf_count_t vLength(void *self) { return static_cast<SndfileDecoder *>(self)->ioLength(); }
sf_count_t vSeek(sf_count_t offset, int whence, void *self) { return static_cast<SndfileDecoder *>(self)->ioSeek(offset, whence); }
sf_count_t vRead(void *dst, sf_count_t count, void *self) { return static_cast<SndfileDecoder *>(self)->ioRead(dst, count); }
sf_count_t vWrite(const void *, sf_count_t, void *) { return 0; }
sf_count_t vTell(void *self) { return static_cast<SndfileDecoder *>(self)->ioTell(); }

uint32_t bitsOf(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 0;
    }
}

} // namespace

SndfileDecoder::SndfileDecoder(Download &download, const std::atomic<bool> &interrupt)
    : Decoder(download, interrupt)
{
}

SndfileDecoder::~SndfileDecoder()
{
    if (file_)
        sf_close(file_);
}

int64_t SndfileDecoder::ioLength()
{
    const int64_t size = download_.fileSize();
    if (size >= 0)
        return size;
    // A stream without a length: as long as anyone could ask for.
    return std::numeric_limits<int32_t>::max();
}

int64_t SndfileDecoder::ioSeek(int64_t offset, int whence)
{
    int64_t target = offset;
    if (whence == SEEK_CUR)
        target += position_;
    else if (whence == SEEK_END)
        target += ioLength();
    if (target < 0)
        return -1;
    position_ = target;
    return position_;
}

int64_t SndfileDecoder::ioRead(void *dst, int64_t count)
{
    auto *out = static_cast<uint8_t *>(dst);
    int64_t got = 0;
    while (got < count) {
        const auto span = download_.store().read(uint64_t(position_), out + got, size_t(count - got), true,
                                                 &interrupt_);
        if (span.count == 0)
            break;
        position_ = int64_t(span.at + span.count);
        got += int64_t(span.count);
    }
    fileOffset_.store(uint64_t(position_));
    return got;
}

bool SndfileDecoder::open()
{
    SF_VIRTUAL_IO io{vLength, vSeek, vRead, vWrite, vTell};
    SF_INFO info{};
    file_ = sf_open_virtual(&io, SFM_READ, &info, this);
    if (!file_ || info.channels <= 0 || info.samplerate <= 0)
        return false;
    switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        format_.ctype = AUDIO_CTYPE_WAV;
        break;
    case SF_FORMAT_AIFF:
        format_.ctype = AUDIO_CTYPE_AIFF;
        break;
    case SF_FORMAT_OGG:
        format_.ctype = AUDIO_CTYPE_OGG;
        break;
    default:
        return false;
    }
    format_.rate = uint32_t(info.samplerate);
    format_.channels = uint32_t(info.channels);
    format_.origres = bitsOf(info.format & SF_FORMAT_SUBMASK);
    if (info.frames > 0 && info.frames < std::numeric_limits<int32_t>::max() / 2)
        length_.store(info.frames);
    static const struct { int id; const char *name; } kStrings[] = {
        {SF_STR_TITLE, "TITLE"}, {SF_STR_ARTIST, "ARTIST"}, {SF_STR_ALBUM, "ALBUM"},
        {SF_STR_DATE, "DATE"}, {SF_STR_GENRE, "GENRE"}, {SF_STR_TRACKNUMBER, "TRACKNUMBER"},
        {SF_STR_COMMENT, "COMMENT"}, {SF_STR_COPYRIGHT, "COPYRIGHT"}, {SF_STR_SOFTWARE, "ENCODER"},
    };
    for (const auto &s : kStrings)
        if (const char *value = sf_get_string(file_, s.id))
            comments_.push_back(std::string(s.name) + "=" + value);
    block_.resize(kBlockFrames * format_.channels);
    return decodeMore(pending_);
}

bool SndfileDecoder::decodeMore(std::vector<uint8_t> &out)
{
    if (interruptRequested())
        return false;
    const sf_count_t frames = sf_readf_short(file_, block_.data(), sf_count_t(kBlockFrames));
    if (frames <= 0)
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(block_.data());
    out.insert(out.end(), bytes, bytes + size_t(frames) * format_.channels * sizeof(int16_t));
    return true;
}

bool SndfileDecoder::seek(uint64_t frame)
{
    const ByteStore &store = download_.store();
    if (store.windowed())
        return false;
    const int64_t length = lengthFrames();
    const int64_t size = download_.fileSize();
    if (!store.complete() && length > 0 && size > 0
        && double(frame) / double(length) * double(size) > double(store.received()))
        return false;
    if (sf_seek(file_, sf_count_t(frame), SEEK_SET) < 0)
        return false;
    dropPending();
    return true;
}

} // namespace sonaroaudio
