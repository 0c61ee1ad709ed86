// The exported calls for configuration and the library's life: argument
// checks and the library-wide state.
#include "Library.h"

#include <algorithm>
#include <new>

namespace sonaroaudio {

thread_local int lastError = AUDIO_OK;

Library &lib()
{
    static Library library;
    return library;
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

} // namespace sonaroaudio

using namespace sonaroaudio;

namespace {

// Sync thread: stops the output once the mixer has found nothing playing (a
// Play since then either shows in anyPlaying() or restarts the output after
// this), and lets the device go after a while stopped.
std::chrono::milliseconds tendOutput()
{
    Library &l = lib();
    if (!l.mixer)
        return OutputDevice::kNever;
    const bool idle = l.mixer->takeIdle();
    std::lock_guard lock(l.deviceMutex);
    if (!l.output)
        return OutputDevice::kNever;
    if (idle && !l.mixer->anyPlaying())
        l.output->setActive(false);
    return l.output->tidy();
}

void applyVolume()
{
    Library &l = lib();
    if (l.mixer)
        l.mixer->setVolume(l.config.streamVolume.load(), l.config.maxVolume.load());
}

} // namespace

extern "C" {

uint32_t AUDIO_GetVersion(void)
{
    return AUDIO_VERSION;
}

int AUDIO_SetConfig(uint32_t option, uint32_t value)
{
    Library::Config &c = lib().config;
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
    const Library::Config &c = lib().config;
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
            &tendOutput);
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

} // extern "C"
