// The exported calls that make and free streams.
#include "Library.h"

#include "input/PushStream.h"
#include "input/UrlStream.h"

#include <new>

using namespace sonaroaudio;

namespace {

// Links a new channel to the mixer and the sync thread and gives it a handle.
AUDIO_HANDLE publish(const std::shared_ptr<Channel> &channel)
{
    Library &l = lib();
    if (!channel->attach(*l.mixer, *l.dispatcher)) {
        channel->shutdown();
        return fail(AUDIO_ERROR_MEMORY, AUDIO_HANDLE(0));
    }
    const AUDIO_HANDLE handle = l.channels.insert(channel);
    if (handle == 0) {
        channel->shutdown();
        return fail(AUDIO_ERROR_MEMORY, AUDIO_HANDLE(0));
    }
    channel->setHandle(handle);
    lastError = AUDIO_OK;
    return handle;
}

int freeChannel(AUDIO_HANDLE handle)
{
    if (!lib().ready.load())
        return result(AUDIO_ERROR_NOT_INITIALISED);
    auto existing = lib().channels.get(handle);
    if (!existing)
        return result(AUDIO_ERROR_HANDLE);
    // Its own feeder thread cannot wait for itself to finish.
    if (existing->onFeederThread())
        return result(AUDIO_ERROR_PARAMETER);
    auto channel = lib().channels.remove(handle);
    if (!channel)
        return result(AUDIO_ERROR_HANDLE);
    channel->shutdown();
    return ok();
}

} // namespace

extern "C" {

AUDIO_HANDLE AUDIO_StreamCreateURL(const char *url, uint32_t offset, uint32_t flags, AUDIO_DOWNLOADPROC *proc,
                                   void *user)
{
    Library &l = lib();
    if (!l.ready.load())
        return fail(AUDIO_ERROR_NOT_INITIALISED, AUDIO_HANDLE(0));
    if (!url)
        return fail(AUDIO_ERROR_PARAMETER, AUDIO_HANDLE(0));
    NetConfig net{long(l.config.netTimeoutMs.load()), uint64_t(l.config.netMemoryMiB.load()) << 20,
                  uint64_t(l.config.netWindowKiB.load()) << 10, l.config.redirects.load() != 0,
                  long(l.config.netRetryMs.load())};
    // Spans the waiting and the publication: AUDIO_Free cancels it and waits for it.
    CreationRegistry::Scope scope(l.creations);
    if (!scope.entered())
        return fail(AUDIO_ERROR_NOT_INITIALISED, AUDIO_HANDLE(0));
    int error = AUDIO_OK;
    std::shared_ptr<UrlStream> stream;
    try {
        stream = UrlStream::create(url, offset, flags, proc, user, net, scope.cancellation(), error);
    } catch (const std::bad_alloc &) {
        error = AUDIO_ERROR_MEMORY;
    }
    // Cancelled: whatever the network said, the library was freed under the call.
    if (!stream)
        return fail(scope.cancellation().cancelled() ? AUDIO_ERROR_NOT_INITIALISED : error, AUDIO_HANDLE(0));
    AUDIO_HANDLE handle = 0;
    if (!scope.publishUnlessCancelled([&] { handle = publish(stream); })) {
        stream->shutdown();
        return fail(AUDIO_ERROR_NOT_INITIALISED, AUDIO_HANDLE(0));
    }
    if (handle != 0)
        stream->link();
    return handle;
}

AUDIO_HANDLE AUDIO_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, AUDIO_STREAMPROC *proc, void *user)
{
    if (!lib().ready.load())
        return fail(AUDIO_ERROR_NOT_INITIALISED, AUDIO_HANDLE(0));
    if (!proc || freq < 1000 || freq > 384000 || chans == 0 || chans > 8
        || (flags & ~(AUDIO_SAMPLE_8BITS)) != 0)
        return fail(AUDIO_ERROR_PARAMETER, AUDIO_HANDLE(0));
    Channel::Format format;
    format.rate = freq;
    format.channels = chans;
    format.bits = (flags & AUDIO_SAMPLE_8BITS) ? 8 : 16;
    format.origres = format.bits;
    format.ctype = AUDIO_CTYPE_PUSH;
    // A Free on another thread must not tear the mixer down under the publication.
    CreationRegistry::Scope scope(lib().creations);
    auto stream = std::make_shared<PushStream>(format, proc, user);
    AUDIO_HANDLE handle = 0;
    if (!scope.entered() || !scope.publishUnlessCancelled([&] { handle = publish(stream); }))
        return fail(AUDIO_ERROR_NOT_INITIALISED, AUDIO_HANDLE(0));
    return handle;
}

int AUDIO_StreamFree(AUDIO_HANDLE handle)
{
    return freeChannel(handle);
}

int AUDIO_MusicFree(AUDIO_HANDLE)
{
    return result(AUDIO_ERROR_HANDLE);
}

int AUDIO_PluginFree(AUDIO_HANDLE handle)
{
    return handle == 0 ? ok() : result(AUDIO_ERROR_HANDLE);
}

uint64_t AUDIO_StreamGetFilePosition(AUDIO_HANDLE handle, uint32_t mode)
{
    auto channel = channelOf(handle);
    if (!channel)
        return uint64_t(-1);
    uint64_t value = 0;
    const int code = channel->filePosition(mode, value);
    return code == AUDIO_OK ? (ok(), value) : fail(code, uint64_t(-1));
}

} // extern "C"
