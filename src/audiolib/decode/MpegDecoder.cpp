#include "decode/MpegDecoder.h"

#include "input/Download.h"
#include "sonaroaudio.h"

#include <mpg123.h>

#include <cstdio>
#include <mutex>

namespace sonaroaudio {

namespace {

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// Allows 16-bit output at every rate the library knows, mono or stereo, so
// the output matches what a default decode of the file gives.
mpg123_handle *newHandle()
{
    initLibrary();
    int err = 0;
    mpg123_handle *mh = mpg123_new(nullptr, &err);
    if (!mh)
        return nullptr;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(mh);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return mh;
}

struct ScanSource {
    const ByteStore *store;
    int64_t pos;
    int64_t size;
};

mpg123_ssize_t scanRead(void *h, void *buf, size_t n)
{
    auto *src = static_cast<ScanSource *>(h);
    const auto span = src->store->read(uint64_t(src->pos), static_cast<uint8_t *>(buf), n, false);
    src->pos = int64_t(span.at + span.count);
    return mpg123_ssize_t(span.count);
}

off_t scanSeek(void *h, off_t offset, int whence)
{
    auto *src = static_cast<ScanSource *>(h);
    int64_t target = offset;
    if (whence == SEEK_CUR)
        target += src->pos;
    else if (whence == SEEK_END)
        target += src->size;
    if (target < 0 || target > src->size)
        return -1;
    src->pos = target;
    return off_t(target);
}

} // namespace

MpegDecoder::MpegDecoder(Download &download, const std::atomic<bool> &interrupt)
    : Decoder(download, interrupt), feedBuffer_(64 * 1024)
{
    format_.ctype = AUDIO_CTYPE_MPEG;
}

MpegDecoder::~MpegDecoder()
{
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

bool MpegDecoder::open()
{
    handle_ = newHandle();
    if (!handle_ || mpg123_open_feed(handle_) != MPG123_OK)
        return false;
    if (download_.fileSize() > 0)
        mpg123_set_filesize(handle_, off_t(download_.fileSize()));
    if (!decodeMore(pending_) || format_.rate == 0)
        return false;
    return true;
}

bool MpegDecoder::feed()
{
    if (inputEnded_)
        return false;
    const auto span = download_.store().read(feedOffset_, feedBuffer_.data(), feedBuffer_.size(), true,
                                             &interrupt_);
    if (span.count == 0) {
        // A failed download may be resumed; only a finished one is the end.
        if (!interruptRequested() && !download_.failed())
            inputEnded_ = true;
        return false;
    }
    // Bytes the window dropped are gone; the decoder resynchronises.
    feedOffset_ = span.at + span.count;
    fileOffset_.store(feedOffset_);
    return mpg123_feed(handle_, feedBuffer_.data(), span.count) == MPG123_OK;
}

void MpegDecoder::refreshLength()
{
    const off_t len = mpg123_length(handle_);
    if (len >= 0)
        length_.store(int64_t(len));
}

bool MpegDecoder::decodeMore(std::vector<uint8_t> &out)
{
    for (;;) {
        if (interruptRequested())
            return false;
        off_t frameNumber = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        const int r = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(handle_, &rate, &channels, &encoding);
            format_.rate = uint32_t(rate);
            format_.channels = uint32_t(channels);
            refreshLength();
            continue;
        }
        if (r == MPG123_OK) {
            if (bytes > 0 && audio) {
                out.insert(out.end(), audio, audio + bytes);
                refreshLength();
                return true;
            }
            continue;
        }
        if (r == MPG123_NEED_MORE) {
            if (!feed())
                return false;
            continue;
        }
        // MPG123_DONE, or an error the library cannot get past.
        return false;
    }
}

bool MpegDecoder::seek(uint64_t frame)
{
    const ByteStore &store = download_.store();
    if (store.windowed())
        return false;
    if (!store.complete()) {
        // Refuse places far beyond what has arrived before touching the decoder.
        const int64_t length = lengthFrames();
        const int64_t size = download_.fileSize();
        if (length > 0 && size > 0 && double(frame) / double(length) * double(size) > double(store.received()))
            return false;
    }
    off_t inputOffset = 0;
    if (mpg123_feedseek(handle_, off_t(frame), SEEK_SET, &inputOffset) < 0)
        return false;
    dropPending();
    feedOffset_ = uint64_t(inputOffset);
    fileOffset_.store(feedOffset_);
    inputEnded_ = false;
    return true;
}

int64_t MpegDecoder::scanLength(const ByteStore &store)
{
    mpg123_handle *mh = newHandle();
    if (!mh)
        return -1;
    ScanSource source{&store, 0, int64_t(store.received())};
    int64_t length = -1;
    if (mpg123_replace_reader_handle(mh, scanRead, scanSeek, nullptr) == MPG123_OK
        && mpg123_open_handle(mh, &source) == MPG123_OK) {
        if (mpg123_scan(mh) == MPG123_OK)
            length = int64_t(mpg123_length(mh));
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    return length;
}

void MpegDecoder::downloadEnded()
{
    const ByteStore &store = download_.store();
    if (store.windowed())
        return;
    const int64_t length = scanLength(store);
    if (length >= 0)
        exactLength_.store(length);
}

} // namespace sonaroaudio
