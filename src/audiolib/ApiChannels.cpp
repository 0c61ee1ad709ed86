// The exported calls on a channel: data, position, tags, playing, syncs.
#include "Library.h"

using namespace sonaroaudio;

namespace {

// The output pulls the mix only while something plays. False when the
// device cannot be opened again.
bool resumeOutput()
{
    Library &l = lib();
    std::lock_guard lock(l.deviceMutex);
    return !l.output || l.output->setActive(true);
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
    // A decode-only channel resumes its download without the output.
    if (code == AUDIO_OK && !channel->decodeOnly() && !resumeOutput()) {
        channel->stop();
        return result(AUDIO_ERROR_DEVICE);
    }
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
