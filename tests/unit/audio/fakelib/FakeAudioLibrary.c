/* A stand-in for libsonaroaudio.so that only answers what the engine's
 * construction asks: its version, and whether the device starts. Built in
 * variants by the definitions FAKE_VERSION, FAKE_INIT_FAILS and
 * FAKE_OMIT_STREAM_FREE. */
#define SONAROAUDIO_BUILD
#include "sonaroaudio.h"

#include <stddef.h>

static int lastError = AUDIO_OK;

uint32_t AUDIO_GetVersion(void) { return FAKE_VERSION; }
int AUDIO_SetConfig(uint32_t option, uint32_t value) { (void)option; (void)value; return 1; }
uint32_t AUDIO_GetConfig(uint32_t option) { (void)option; return 0; }
int AUDIO_Init(int device, uint32_t freq, uint32_t flags, void *window, const void *driver)
{
    (void)device; (void)freq; (void)flags; (void)window; (void)driver;
#ifdef FAKE_INIT_FAILS
    lastError = AUDIO_ERROR_DEVICE;
    return 0;
#else
    return 1;
#endif
}
int AUDIO_Free(void) { return 1; }
int AUDIO_GetInfo(AUDIO_INFO *info) { (void)info; return 0; }
int AUDIO_ErrorGetCode(void) { return lastError; }
AUDIO_HANDLE AUDIO_StreamCreateURL(const char *url, uint32_t offset, uint32_t flags, AUDIO_DOWNLOADPROC *proc, void *user)
{
    (void)url; (void)offset; (void)flags; (void)proc; (void)user;
    lastError = AUDIO_ERROR_CONNECT;
    return 0;
}
AUDIO_HANDLE AUDIO_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, AUDIO_STREAMPROC *proc, void *user)
{
    (void)freq; (void)chans; (void)flags; (void)proc; (void)user;
    return 0;
}
#ifndef FAKE_OMIT_STREAM_FREE
int AUDIO_StreamFree(AUDIO_HANDLE handle) { (void)handle; return 0; }
#endif
int AUDIO_MusicFree(AUDIO_HANDLE handle) { (void)handle; return 0; }
int AUDIO_PluginFree(AUDIO_HANDLE handle) { return handle == 0; }
uint64_t AUDIO_StreamGetFilePosition(AUDIO_HANDLE handle, uint32_t mode) { (void)handle; (void)mode; return (uint64_t)-1; }
uint32_t AUDIO_ChannelGetData(AUDIO_HANDLE handle, void *buffer, uint32_t length) { (void)handle; (void)buffer; (void)length; return (uint32_t)-1; }
int AUDIO_ChannelGetInfo(AUDIO_HANDLE handle, AUDIO_CHANNELINFO *info) { (void)handle; (void)info; return 0; }
uint64_t AUDIO_ChannelGetLength(AUDIO_HANDLE handle, uint32_t mode) { (void)handle; (void)mode; return (uint64_t)-1; }
double AUDIO_ChannelBytes2Seconds(AUDIO_HANDLE handle, uint64_t bytes) { (void)handle; (void)bytes; return -1; }
uint64_t AUDIO_ChannelSeconds2Bytes(AUDIO_HANDLE handle, double seconds) { (void)handle; (void)seconds; return (uint64_t)-1; }
uint64_t AUDIO_ChannelGetPosition(AUDIO_HANDLE handle, uint32_t mode) { (void)handle; (void)mode; return (uint64_t)-1; }
int AUDIO_ChannelSetPosition(AUDIO_HANDLE handle, uint64_t position, uint32_t mode) { (void)handle; (void)position; (void)mode; return 0; }
const char *AUDIO_ChannelGetTags(AUDIO_HANDLE handle, uint32_t type) { (void)handle; (void)type; return NULL; }
int AUDIO_ChannelPlay(AUDIO_HANDLE handle, int restart) { (void)handle; (void)restart; return 0; }
int AUDIO_ChannelPause(AUDIO_HANDLE handle) { (void)handle; return 0; }
int AUDIO_ChannelStop(AUDIO_HANDLE handle) { (void)handle; return 0; }
uint32_t AUDIO_ChannelIsActive(AUDIO_HANDLE handle) { (void)handle; return AUDIO_ACTIVE_STOPPED; }
AUDIO_HANDLE AUDIO_ChannelSetSync(AUDIO_HANDLE handle, uint32_t type, uint64_t param, AUDIO_SYNCPROC *proc, void *user)
{
    (void)handle; (void)type; (void)param; (void)proc; (void)user;
    return 0;
}
int AUDIO_ChannelRemoveSync(AUDIO_HANDLE handle, AUDIO_HANDLE sync) { (void)handle; (void)sync; return 0; }
