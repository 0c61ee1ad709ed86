#include "input/UrlStream.h"

#include "decode/FormatProbe.h"

#include <chrono>
#include <cstring>
#include <strings.h>

namespace sonaroaudio {

namespace {

// Longest a seek of a decode-only stream waits for a reader to let go of the decoder.
constexpr auto kSeekLockWait = std::chrono::seconds(2);

} // namespace

struct UrlStream::Shared {
    std::atomic<bool> interrupt{false}; // wakes a decoder waiting for data: seek, stop, free
    std::mutex mutex;
    UrlStream *stream = nullptr;        // guarded by mutex: set by link, cleared by shutdown
    Decoder *decoder = nullptr;         // guarded by mutex
    bool ended = false;                 // guarded by mutex: the download has ended
    int endError = AUDIO_OK;            // guarded by mutex: how it ended
    std::vector<std::string> earlyMeta; // guarded by mutex: titles that came before link
};

std::shared_ptr<UrlStream> UrlStream::create(const std::string &url, uint64_t offset, uint32_t flags,
                                             AUDIO_DOWNLOADPROC *proc, void *user, const NetConfig &net,
                                             Cancellation &cancellation, int &error)
{
    if (strncasecmp(url.c_str(), "http://", 7) != 0 && strncasecmp(url.c_str(), "https://", 8) != 0) {
        error = AUDIO_ERROR_PARAMETER;
        return nullptr;
    }
    auto shared = std::make_shared<Shared>();
    DownloadOptions options;
    options.url = url;
    options.offset = offset;
    options.timeoutMs = net.timeoutMs;
    options.followRedirects = net.followRedirects;
    options.memoryCap = net.memoryCap;
    options.window = net.window;
    options.retryBudget = std::chrono::milliseconds(net.retryBudgetMs);
    options.proc = proc;
    options.user = user;
    auto download = std::make_unique<Download>(
        options,
        [shared](const std::string &meta) {
            std::lock_guard lock(shared->mutex);
            if (shared->stream)
                shared->stream->addMeta(meta);
            else
                shared->earlyMeta.push_back(meta);
        },
        [shared](int error) {
            std::lock_guard lock(shared->mutex);
            shared->ended = true;
            shared->endError = error;
            // Only the whole file tells the exact length.
            if (shared->decoder && error == AUDIO_OK)
                shared->decoder->downloadEnded();
            if (shared->stream)
                shared->stream->markDownloadEnded();
        });
    // Declared after the download, so it lets go of it before the download goes.
    const Cancellation::Watch watch(cancellation, *download, shared->interrupt);
    download->start();

    const auto failure = [&](int fallback) {
        const int downloadError = download->error();
        // Nothing arrived: the transfer's own failure says more than the format check.
        error = (downloadError != AUDIO_OK && download->store().received() == 0) ? downloadError : fallback;
        return nullptr;
    };

    std::unique_ptr<Decoder> decoder = FormatProbe::decoderFor(*download, shared->interrupt);
    if (!decoder || !decoder->open())
        return failure(AUDIO_ERROR_FORMAT);
    const auto &df = decoder->format();
    if (df.channels == 0 || df.channels > 8 || df.rate == 0)
        return failure(AUDIO_ERROR_FORMAT);
    {
        std::lock_guard lock(shared->mutex);
        shared->decoder = decoder.get();
        if (shared->ended && shared->endError == AUDIO_OK)
            decoder->downloadEnded();
    }
    Format format;
    format.rate = df.rate;
    format.channels = df.channels;
    format.bits = 16;
    format.ctype = df.ctype;
    format.origres = df.origres;
    error = AUDIO_OK;
    return std::make_shared<UrlStream>(format, (flags & AUDIO_STREAM_DECODE) != 0, shared, std::move(download),
                                       std::move(decoder), offset);
}

UrlStream::UrlStream(const Format &format, bool decodeOnly, std::shared_ptr<Shared> shared,
                     std::unique_ptr<Download> download, std::unique_ptr<Decoder> decoder, uint64_t offset)
    : Channel(format, decodeOnly), shared_(std::move(shared)), download_(std::move(download)),
      decoder_(std::move(decoder)), offset_(offset)
{
}

UrlStream::~UrlStream()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stream = nullptr;
        shared_->decoder = nullptr;
    }
    download_.reset();
    decoder_.reset();
}

void UrlStream::link()
{
    std::lock_guard lock(shared_->mutex);
    shared_->stream = this;
    for (const auto &meta : shared_->earlyMeta)
        addMeta(meta);
    shared_->earlyMeta.clear();
    if (shared_->ended)
        markDownloadEnded();
}

void UrlStream::addMeta(const std::string &text)
{
    tags_.addMeta(text);
    post(kEventMeta);
}

void UrlStream::markDownloadEnded()
{
    downloadEnded_.store(true);
    post(kEventDownload);
}

std::string UrlStream::metaText() const
{
    return tags_.latestMeta();
}

void UrlStream::shutdown()
{
    shared_->interrupt.store(true);
    download_->cancel();
    download_->store().wakeAll();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stream = nullptr;
    }
    Channel::shutdown();
}

size_t UrlStream::produce(uint8_t *buffer, size_t size, bool &ended)
{
    const size_t got = decoder_->read(buffer, size);
    // A failed download is not the end: play() may resume it.
    ended = got < size && !decoder_->interrupted() && !download_->failed();
    return got;
}

bool UrlStream::resumeDownload()
{
    {
        std::lock_guard lock(shared_->mutex);
        if (!download_->failed())
            return false;
        shared_->ended = false;
        shared_->endError = AUDIO_OK;
        downloadEnded_.store(false);
    }
    rearmDownloadSyncs();
    return download_->resume();
}

int UrlStream::play(bool restart)
{
    const bool resumed = resumeDownload();
    if (decodeOnly_)
        return resumed ? AUDIO_OK : AUDIO_ERROR_DECODE_ONLY;
    return Channel::play(restart);
}

int UrlStream::fault() const
{
    return download_->failed() ? download_->error() : AUDIO_OK;
}

int UrlStream::stop()
{
    if (decodeOnly_) {
        shared_->interrupt.store(true);
        download_->store().wakeAll();
        return AUDIO_OK;
    }
    return Channel::stop();
}

uint32_t UrlStream::activity() const
{
    if (!decodeOnly_)
        return Channel::activity();
    if (ended_.load())
        return AUDIO_ACTIVE_STOPPED;
    const ByteStore &store = download_->store();
    if ((!store.finished() || download_->failed()) && decoder_->fileOffset() >= store.received())
        return AUDIO_ACTIVE_STALLED;
    return AUDIO_ACTIVE_PLAYING;
}

int UrlStream::length(uint64_t &bytes) const
{
    const int64_t frames = decoder_->lengthFrames();
    if (frames < 0)
        return AUDIO_ERROR_NOT_AVAILABLE;
    bytes = uint64_t(frames) * frameBytes();
    return AUDIO_OK;
}

int UrlStream::position(uint64_t &bytes) const
{
    if (!decodeOnly_)
        return Channel::position(bytes);
    bytes = base_.load() + delivered_.load();
    return AUDIO_OK;
}

int UrlStream::rewind()
{
    return setPosition(0);
}

int UrlStream::setPosition(uint64_t bytes)
{
    const uint64_t frame = bytes / frameBytes();
    const int64_t length = decoder_->lengthFrames();
    if (length >= 0 && frame > uint64_t(length))
        return AUDIO_ERROR_POSITION;
    if (decodeOnly_) {
        // A reader waiting for a stalled server holds the decoder; do not hang the caller.
        std::unique_lock lock(decodeMutex_, kSeekLockWait);
        if (!lock.owns_lock())
            return AUDIO_ERROR_TIMEOUT;
        if (!decoder_->seek(frame))
            return AUDIO_ERROR_POSITION;
        base_.store(frame * frameBytes());
        delivered_.store(0);
        ended_.store(false);
        return AUDIO_OK;
    }
    shared_->interrupt.store(true);
    download_->store().wakeAll();
    std::unique_lock lock(feedMutex_);
    shared_->interrupt.store(false);
    if (!decoder_->seek(frame))
        return AUDIO_ERROR_POSITION;
    resetPlaybackLocked(frame * frameBytes());
    lock.unlock();
    wakeFeeder();
    return AUDIO_OK;
}

int UrlStream::getData(void *buffer, uint32_t size, uint32_t &delivered)
{
    if (!decodeOnly_)
        return AUDIO_ERROR_PARAMETER;
    std::lock_guard lock(decodeMutex_);
    delivered = 0;
    if (ended_.load())
        return AUDIO_OK;
    delivered = uint32_t(decoder_->read(static_cast<uint8_t *>(buffer), size));
    delivered_.fetch_add(delivered);
    if (decoder_->interrupted()) {
        shared_->interrupt.store(false);
    } else if (delivered < size) {
        // Short because the download failed: what is missing may still come.
        if (const int error = fault(); error != AUDIO_OK)
            return delivered == 0 ? error : AUDIO_OK;
        ended_.store(true);
        post(kEventEnd);
    }
    return AUDIO_OK;
}

int UrlStream::filePosition(uint32_t mode, uint64_t &value) const
{
    switch (mode) {
    case AUDIO_FILEPOS_CURRENT:
        value = offset_ + decoder_->fileOffset();
        return AUDIO_OK;
    case AUDIO_FILEPOS_DOWNLOAD:
        value = offset_ + download_->store().received();
        return AUDIO_OK;
    case AUDIO_FILEPOS_RETRIES:
        value = download_->retries();
        return AUDIO_OK;
    case AUDIO_FILEPOS_END: {
        const int64_t size = download_->fileSize();
        if (size < 0)
            return AUDIO_ERROR_NOT_AVAILABLE;
        value = offset_ + uint64_t(size);
        return AUDIO_OK;
    }
    default:
        return AUDIO_ERROR_PARAMETER;
    }
}

int UrlStream::tags(uint32_t type, const char *&result)
{
    return tags_.find(type, *download_, *decoder_, result);
}

} // namespace sonaroaudio
