// The exported C interface: argument checks, the per-thread error code, and
// the library-wide state (configuration, mixer, device, handles, sync thread).
#include "sonaroaudio.h"

#include "Channel.h"
#include "CreationRegistry.h"
#include "HandleTable.h"
#include "Mixer.h"
#include "OutputDevice.h"
#include "PushStream.h"
#include "RetryPolicy.h"
#include "SyncDispatcher.h"
#include "UrlStream.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>

using namespace sonaroaudio;

namespace {

thread_local int lastError = AUDIO_OK;

struct Config {
    std::atomic<uint32_t> maxVolume{10000};
    std::atomic<uint32_t> streamVolume{10000};
    std::atomic<uint32_t> musicVolume{10000};
    std::atomic<uint32_t> netTimeoutMs{30000};
    std::atomic<uint32_t> netMemoryMiB{512};
    std::atomic<uint32_t> netWindowKiB{2048};
    std::atomic<uint32_t> redirects{1};
    std::atomic<uint32_t> netRetryMs{uint32_t(RetryPolicy::kDefaultBudget.count())};
};

struct Library {
    Config config;
    std::mutex lifeMutex;                      // serialises Init and Free
    std::atomic<bool> ready{false};
    int device = 0;                            // lifeMutex
    HandleTable<Channel> channels;
    AUDIO_HANDLE nextSync = 0;                 // syncMutex
    std::mutex syncMutex;
    // Created by Init, destroyed by Free (lifeMutex). The others reach them only while ready.
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<SyncDispatcher> dispatcher;
    std::unique_ptr<OutputDevice> output;
    // Guards output's pointer and its activation: held by Play to restart
    // the output and by the sync thread to stop it when nothing plays.
    std::mutex deviceMutex;
    // Opened by Init, closed by Free before it tears down what creations publish into.
    CreationRegistry creations;
};

Library &lib()
{
    static Library library;
    return library;
}

template <typename T>
T fail(int code, T value)
{
    lastError = code;
    return value;
}

int ok()
{
    lastError = AUDIO_OK;
    return 1;
}

// Turns an operation's error code into the call's result.
int result(int code)
{
    lastError = code;
    return code == AUDIO_OK ? 1 : 0;
}

std::shared_ptr<Channel> channelOf(AUDIO_HANDLE handle)
{
    if (!lib().ready.load()) {
        lastError = AUDIO_ERROR_NOT_INITIALISED;
        return nullptr;
    }
    auto channel = lib().channels.get(handle);
    if (!channel)
        lastError = AUDIO_ERROR_HANDLE;
    return channel;
}

// The output pulls the mix only while something plays.
void resumeOutput()
{
    Library &l = lib();
    std::lock_guard lock(l.deviceMutex);
    if (l.output)
        l.output->setActive(true);
}

// Sync thread, after the mixer found nothing playing. A Play since then
// either shows in anyPlaying() or restarts the output after this.
void pauseIdleOutput()
{
    Library &l = lib();
    if (!l.mixer || !l.mixer->takeIdle())
        return;
    std::lock_guard lock(l.deviceMutex);
    if (l.output && !l.mixer->anyPlaying())
        l.output->setActive(false);
}

void applyVolume()
{
    Library &l = lib();
    if (l.mixer)
        l.mixer->setVolume(l.config.streamVolume.load(), l.config.maxVolume.load());
}

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

// Length and position share their checks: a live channel, byte mode.
uint64_t channelBytes(AUDIO_HANDLE handle, uint32_t mode, int (Channel::*query)(uint64_t &) const)
{
    auto channel = channelOf(handle);
    if (!channel)
        return uint64_t(-1);
    if (mode != AUDIO_POS_BYTE)
        return fail(AUDIO_ERROR_PARAMETER, uint64_t(-1));
    uint64_t bytes = 0;
    const int code = ((*channel).*query)(bytes);
    return code == AUDIO_OK ? (ok(), bytes) : fail(code, uint64_t(-1));
}

} // namespace

extern "C" {

uint32_t AUDIO_GetVersion(void)
{
    return AUDIO_VERSION;
}

int AUDIO_SetConfig(uint32_t option, uint32_t value)
{
    Config &c = lib().config;
    switch (option) {
    case AUDIO_CONFIG_MAX_VOLUME:
        if (value == 0)
            return result(AUDIO_ERROR_PARAMETER);
        c.maxVolume.store(value);
        break;
    case AUDIO_CONFIG_STREAM_VOLUME:
        c.streamVolume.store(std::min(value, c.maxVolume.load()));
        break;
    case AUDIO_CONFIG_MUSIC_VOLUME:
        c.musicVolume.store(std::min(value, c.maxVolume.load()));
        break;
    case AUDIO_CONFIG_NET_TIMEOUT:
        c.netTimeoutMs.store(std::max<uint32_t>(value, 100));
        break;
    case AUDIO_CONFIG_NET_MEMORY:
        c.netMemoryMiB.store(std::clamp<uint32_t>(value, 1, 4096));
        break;
    case AUDIO_CONFIG_NET_WINDOW:
        c.netWindowKiB.store(std::clamp<uint32_t>(value, 64, 1024 * 1024));
        break;
    case AUDIO_CONFIG_NET_REDIRECTS:
        c.redirects.store(value != 0);
        break;
    case AUDIO_CONFIG_NET_RETRY:
        c.netRetryMs.store(std::min<uint32_t>(value, 3600000));
        break;
    default:
        return result(AUDIO_ERROR_PARAMETER);
    }
    std::lock_guard lock(lib().lifeMutex);
    applyVolume();
    return ok();
}

uint32_t AUDIO_GetConfig(uint32_t option)
{
    const Config &c = lib().config;
    lastError = AUDIO_OK;
    switch (option) {
    case AUDIO_CONFIG_MAX_VOLUME: return c.maxVolume.load();
    case AUDIO_CONFIG_STREAM_VOLUME: return c.streamVolume.load();
    case AUDIO_CONFIG_MUSIC_VOLUME: return c.musicVolume.load();
    case AUDIO_CONFIG_NET_TIMEOUT: return c.netTimeoutMs.load();
    case AUDIO_CONFIG_NET_MEMORY: return c.netMemoryMiB.load();
    case AUDIO_CONFIG_NET_WINDOW: return c.netWindowKiB.load();
    case AUDIO_CONFIG_NET_REDIRECTS: return c.redirects.load();
    case AUDIO_CONFIG_NET_RETRY: return c.netRetryMs.load();
    case AUDIO_CONFIG_UNDERRUNS: {
        std::lock_guard lock(lib().lifeMutex);
        return lib().mixer ? uint32_t(lib().mixer->underruns()) : 0;
    }
    default: return fail(AUDIO_ERROR_PARAMETER, uint32_t(-1));
    }
}

int AUDIO_Init(int device, uint32_t freq, uint32_t, void *, const void *)
{
    Library &l = lib();
    std::lock_guard lock(l.lifeMutex);
    if (l.ready.load())
        return result(AUDIO_ERROR_ALREADY);
    if (device != 0 && device != 1 && device != -1)
        return result(AUDIO_ERROR_DEVICE);
    if (freq == 0)
        freq = 44100;
    if (freq < 8000 || freq > 192000)
        return result(AUDIO_ERROR_PARAMETER);
    try {
        l.mixer = std::make_unique<Mixer>(freq);
        applyVolume();
        l.dispatcher = std::make_unique<SyncDispatcher>(
            [&l] { return l.channels.collect([](const Channel &c) { return c.hasEvents(); }); },
            &pauseIdleOutput);
        l.mixer->onIdle([d = l.dispatcher.get()] { d->wake(); });
        std::lock_guard deviceLock(l.deviceMutex);
        l.output = OutputDevice::open(device, *l.mixer);
    } catch (const std::bad_alloc &) {
        {
            std::lock_guard deviceLock(l.deviceMutex);
            l.output.reset();
        }
        l.dispatcher.reset();
        l.mixer.reset();
        return result(AUDIO_ERROR_MEMORY);
    }
    if (!l.output) {
        l.dispatcher.reset();
        l.mixer.reset();
        return result(AUDIO_ERROR_DEVICE);
    }
    l.device = device;
    l.ready.store(true);
    l.creations.open();
    return ok();
}

int AUDIO_Free(void)
{
    Library &l = lib();
    std::lock_guard lock(l.lifeMutex);
    if (!l.ready.load())
        return result(AUDIO_ERROR_NOT_INITIALISED);
    // Creations in progress give up and leave; none of them needs lifeMutex to do so.
    l.creations.close();
    for (AUDIO_HANDLE handle : l.channels.handles())
        if (auto channel = l.channels.remove(handle))
            channel->shutdown();
    l.ready.store(false);
    {
        std::lock_guard deviceLock(l.deviceMutex);
        l.output.reset();
    }
    l.dispatcher.reset();
    l.mixer.reset();
    return ok();
}

int AUDIO_GetInfo(AUDIO_INFO *info)
{
    Library &l = lib();
    std::lock_guard lock(l.lifeMutex);
    if (!l.ready.load())
        return result(AUDIO_ERROR_NOT_INITIALISED);
    if (!info)
        return result(AUDIO_ERROR_PARAMETER);
    info->freq = l.mixer->rate();
    info->channels = 2;
    info->latency_ms = l.output->latencyMs();
    info->device = uint32_t(l.device);
    info->effects_version = 0;
    return ok();
}

int AUDIO_ErrorGetCode(void)
{
    return lastError;
}

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

uint32_t AUDIO_ChannelGetData(AUDIO_HANDLE handle, void *buffer, uint32_t length)
{
    auto channel = channelOf(handle);
    if (!channel)
        return uint32_t(-1);
    if (!buffer && length > 0)
        return fail(AUDIO_ERROR_PARAMETER, uint32_t(-1));
    uint32_t delivered = 0;
    const int code = channel->getData(buffer, length, delivered);
    if (code != AUDIO_OK)
        return fail(code, uint32_t(-1));
    lastError = (delivered == 0 && length > 0) ? AUDIO_ERROR_ENDED : AUDIO_OK;
    if (delivered < length)
        if (const int fault = channel->fault(); fault != AUDIO_OK)
            lastError = fault;
    return delivered;
}

int AUDIO_ChannelGetInfo(AUDIO_HANDLE handle, AUDIO_CHANNELINFO *info)
{
    auto channel = channelOf(handle);
    if (!channel)
        return 0;
    if (!info)
        return result(AUDIO_ERROR_PARAMETER);
    const auto &f = channel->format();
    info->freq = f.rate;
    info->chans = f.channels;
    info->flags = (f.bits == 8 ? AUDIO_SAMPLE_8BITS : 0) | (channel->decodeOnly() ? AUDIO_STREAM_DECODE : 0);
    info->ctype = f.ctype;
    info->origres = f.origres;
    return ok();
}

uint64_t AUDIO_ChannelGetLength(AUDIO_HANDLE handle, uint32_t mode)
{
    return channelBytes(handle, mode, &Channel::length);
}

double AUDIO_ChannelBytes2Seconds(AUDIO_HANDLE handle, uint64_t bytes)
{
    auto channel = channelOf(handle);
    if (!channel)
        return -1.0;
    const auto &f = channel->format();
    ok();
    return double(bytes / channel->frameBytes()) / double(f.rate);
}

uint64_t AUDIO_ChannelSeconds2Bytes(AUDIO_HANDLE handle, double seconds)
{
    auto channel = channelOf(handle);
    if (!channel)
        return uint64_t(-1);
    if (!(seconds >= 0.0) || seconds > 1e9)
        return fail(AUDIO_ERROR_PARAMETER, uint64_t(-1));
    ok();
    // A hair of slack so that seconds computed from a byte count map back to it.
    return uint64_t(seconds * channel->format().rate + 1e-6) * channel->frameBytes();
}

uint64_t AUDIO_ChannelGetPosition(AUDIO_HANDLE handle, uint32_t mode)
{
    return channelBytes(handle, mode, &Channel::position);
}

int AUDIO_ChannelSetPosition(AUDIO_HANDLE handle, uint64_t position, uint32_t mode)
{
    auto channel = channelOf(handle);
    if (!channel)
        return 0;
    if (mode != AUDIO_POS_BYTE)
        return result(AUDIO_ERROR_PARAMETER);
    return result(channel->setPosition(position));
}

const char *AUDIO_ChannelGetTags(AUDIO_HANDLE handle, uint32_t type)
{
    auto channel = channelOf(handle);
    if (!channel)
        return nullptr;
    const char *tags = nullptr;
    const int code = channel->tags(type, tags);
    return code == AUDIO_OK ? (ok(), tags) : fail(code, static_cast<const char *>(nullptr));
}

int AUDIO_ChannelPlay(AUDIO_HANDLE handle, int restart)
{
    auto channel = channelOf(handle);
    if (!channel)
        return 0;
    const int code = channel->play(restart != 0);
    if (code == AUDIO_OK)
        resumeOutput();
    return result(code);
}

int AUDIO_ChannelPause(AUDIO_HANDLE handle)
{
    auto channel = channelOf(handle);
    return channel ? result(channel->pause()) : 0;
}

int AUDIO_ChannelStop(AUDIO_HANDLE handle)
{
    auto channel = channelOf(handle);
    return channel ? result(channel->stop()) : 0;
}

uint32_t AUDIO_ChannelIsActive(AUDIO_HANDLE handle)
{
    auto channel = channelOf(handle);
    if (!channel)
        return AUDIO_ACTIVE_STOPPED;
    ok();
    return channel->activity();
}

AUDIO_HANDLE AUDIO_ChannelSetSync(AUDIO_HANDLE handle, uint32_t type, uint64_t, AUDIO_SYNCPROC *proc, void *user)
{
    auto channel = channelOf(handle);
    if (!channel)
        return 0;
    if (!proc || (type != AUDIO_SYNC_END && type != AUDIO_SYNC_META && type != AUDIO_SYNC_DOWNLOAD))
        return fail(AUDIO_ERROR_PARAMETER, AUDIO_HANDLE(0));
    AUDIO_HANDLE id;
    {
        std::lock_guard lock(lib().syncMutex);
        id = ++lib().nextSync;
        if (id == 0)
            id = ++lib().nextSync;
    }
    ok();
    return channel->addSync(type, proc, user, id);
}

int AUDIO_ChannelRemoveSync(AUDIO_HANDLE handle, AUDIO_HANDLE sync)
{
    auto channel = channelOf(handle);
    if (!channel)
        return 0;
    return channel->removeSync(sync) ? ok() : result(AUDIO_ERROR_HANDLE);
}

} // extern "C"
