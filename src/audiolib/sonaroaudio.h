/* libsonaroaudio.so: decoding, internet streaming and sound output for the
 * player engine. A plain C interface, bound at run time with dlopen/dlsym.
 *
 * Conventions
 * - Handles are 32-bit, never 0; 0 means failure. A freed handle stays
 *   invalid (a generation count is part of every handle).
 * - Functions returning int return non-zero for success, 0 for failure.
 *   Functions returning a count or a position return (type)-1 for failure.
 * - Every failure sets an error code that AUDIO_ErrorGetCode returns on the
 *   same thread; a success sets AUDIO_OK.
 * - Positions and lengths are bytes of decoded PCM in the channel's own
 *   format (AUDIO_ChannelGetInfo: rate, channels, 16-bit unless the 8-bit
 *   flag is set).
 * - Callbacks (stream data, syncs, download) run on the library's own
 *   threads, never on the caller's thread and never on the sound device's
 *   thread. Keep them short.
 */
#ifndef SONAROAUDIO_H
#define SONAROAUDIO_H

#include <stdint.h>

#if defined(SONAROAUDIO_BUILD)
#define AUDIO_API __attribute__((visibility("default")))
#else
#define AUDIO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define AUDIO_VERSION 0x02030001u /* high 16 bits: interface 2.3, low 16 bits: revision 1 */

typedef uint32_t AUDIO_HANDLE; /* stream, sync or plug-in handle */

/* Error codes (AUDIO_ErrorGetCode). */
#define AUDIO_OK 0
#define AUDIO_ERROR_NOT_INITIALISED 1  /* AUDIO_Init has not succeeded */
#define AUDIO_ERROR_ALREADY 2          /* AUDIO_Init called twice */
#define AUDIO_ERROR_HANDLE 3           /* unknown or freed handle */
#define AUDIO_ERROR_PARAMETER 4        /* an argument is out of range */
#define AUDIO_ERROR_MEMORY 5           /* out of memory */
#define AUDIO_ERROR_DEVICE 6           /* the output device cannot be opened */
#define AUDIO_ERROR_CONNECT 7          /* no connection, or it broke before any audio arrived */
#define AUDIO_ERROR_HTTP 8             /* the server answered with an error status */
#define AUDIO_ERROR_FORMAT 9           /* the data is not audio of a supported format */
#define AUDIO_ERROR_TIMEOUT 10         /* the server sent nothing for too long */
#define AUDIO_ERROR_POSITION 11        /* position outside the stream or not yet downloaded */
#define AUDIO_ERROR_NOT_AVAILABLE 12   /* the requested information does not exist (yet) */
#define AUDIO_ERROR_DECODE_ONLY 13     /* a decode-only channel cannot be played */
#define AUDIO_ERROR_ENDED 14           /* the channel has delivered all its data */
#define AUDIO_ERROR_UNKNOWN 99

/* AUDIO_SetConfig / AUDIO_GetConfig options. */
#define AUDIO_CONFIG_MAX_VOLUME 3      /* value that means full volume (default 10000) */
#define AUDIO_CONFIG_STREAM_VOLUME 5   /* volume of every stream, 0 silent .. max volume (default max) */
#define AUDIO_CONFIG_MUSIC_VOLUME 6    /* volume of music modules (stored; modules are not supported) */
#define AUDIO_CONFIG_NET_TIMEOUT 11    /* ms without data before a download gives up (default 30000) */
#define AUDIO_CONFIG_NET_MEMORY 12     /* MiB an internet file may keep in memory (default 512) */
#define AUDIO_CONFIG_NET_WINDOW 13     /* KiB of recent data kept for streams without length (default 2048) */
#define AUDIO_CONFIG_NET_RETRY 14      /* ms a broken download keeps trying to resume (default 60000) */
#define AUDIO_CONFIG_NET_REDIRECTS 0x10200 /* 1 = follow HTTP redirects (default 1) */
/* Read-only: output buffers since AUDIO_Init in which a playing stream ran
 * dry before its end (an audible gap). AUDIO_SetConfig refuses it. */
#define AUDIO_CONFIG_UNDERRUNS 0x20001

/* AUDIO_Init devices. */
#define AUDIO_DEVICE_SILENT 0   /* consumes audio at real-time pace, plays nothing */
#define AUDIO_DEVICE_DEFAULT 1  /* the system's default output (-1 means the same) */

/* Stream creation flags. */
#define AUDIO_SAMPLE_8BITS 1u          /* AUDIO_StreamCreate: unsigned 8-bit samples */
#define AUDIO_STREAM_DECODE 0x200000u  /* not played; PCM is pulled with AUDIO_ChannelGetData */

/* Returned by a stream callback, added to its byte count: the stream ends
 * once that data has been played. */
#define AUDIO_STREAMPROC_END 0x80000000u

/* AUDIO_ChannelGetLength / GetPosition / SetPosition modes. */
#define AUDIO_POS_BYTE 0

/* AUDIO_StreamGetFilePosition modes. */
#define AUDIO_FILEPOS_CURRENT 0  /* bytes of the file the decoder has consumed */
#define AUDIO_FILEPOS_DOWNLOAD 1 /* bytes received so far */
#define AUDIO_FILEPOS_END 2      /* size of the file; -1 when the server did not tell it */
#define AUDIO_FILEPOS_RETRIES 3  /* failed connection attempts since data last arrived; 0 while it flows */

/* AUDIO_ChannelGetTags types. */
#define AUDIO_TAG_ID3 0     /* 128-byte ID3 version 1 block */
#define AUDIO_TAG_ID3V2 1   /* whole ID3 version 2 block, header included */
#define AUDIO_TAG_OGG 2     /* "NAME=value" texts, zero-terminated, ending with an empty text */
#define AUDIO_TAG_HTTP 3    /* HTTP response header lines, same list layout */
#define AUDIO_TAG_ICY 4     /* ICY ("icy-...") header lines, same list layout */
#define AUDIO_TAG_META 5    /* last stream metadata text, e.g. "StreamTitle='...';" */
#define AUDIO_TAG_WMA 8     /* not supported: always fails */

/* AUDIO_ChannelIsActive results. */
#define AUDIO_ACTIVE_STOPPED 0
#define AUDIO_ACTIVE_PLAYING 1
#define AUDIO_ACTIVE_STALLED 2 /* playing, but waiting for data */
#define AUDIO_ACTIVE_PAUSED 3

/* AUDIO_ChannelSetSync types. */
#define AUDIO_SYNC_END 2      /* the channel reached its end; data 0 */
#define AUDIO_SYNC_META 4     /* new stream metadata; data = (const char*) text, valid during the call */
/* The download ended: data AUDIO_OK when the whole file arrived, else the
 * AUDIO_ERROR_* of the failure (after its retries). Fires once per end. */
#define AUDIO_SYNC_DOWNLOAD 7

/* AUDIO_ChannelGetInfo channel types. */
#define AUDIO_CTYPE_PUSH 1
#define AUDIO_CTYPE_MPEG 2
#define AUDIO_CTYPE_WAV 3
#define AUDIO_CTYPE_AIFF 4
#define AUDIO_CTYPE_OGG 5

typedef struct AUDIO_INFO {
    uint32_t freq;            /* output rate of the device */
    uint32_t channels;        /* output channels (2) */
    uint32_t latency_ms;      /* length of one device buffer */
    uint32_t device;          /* device number given to AUDIO_Init */
    uint32_t effects_version; /* version of the hardware effect interface; 0 = no effects */
} AUDIO_INFO;

typedef struct AUDIO_CHANNELINFO {
    uint32_t freq;     /* sample rate in Hz */
    uint32_t chans;    /* number of channels */
    uint32_t flags;    /* AUDIO_SAMPLE_8BITS, AUDIO_STREAM_DECODE */
    uint32_t ctype;    /* AUDIO_CTYPE_* */
    uint32_t origres;  /* bits per sample of the source, 0 when it has none (compressed) */
} AUDIO_CHANNELINFO;

/* Asked for up to length bytes into buffer; returns the bytes written,
 * optionally + AUDIO_STREAMPROC_END. Called on a feeder thread of the stream. */
typedef uint32_t AUDIO_STREAMPROC(AUDIO_HANDLE handle, void *buffer, uint32_t length, void *user);
/* Each piece of a file as it arrives (buffer NULL, length 0 at the end). */
typedef void AUDIO_DOWNLOADPROC(const void *buffer, uint32_t length, void *user);
/* data: see the AUDIO_SYNC_* types. */
typedef void AUDIO_SYNCPROC(AUDIO_HANDLE sync, AUDIO_HANDLE channel, uintptr_t data, void *user);

AUDIO_API uint32_t AUDIO_GetVersion(void);
AUDIO_API int AUDIO_SetConfig(uint32_t option, uint32_t value);
AUDIO_API uint32_t AUDIO_GetConfig(uint32_t option);
/* device: AUDIO_DEVICE_*; freq: output rate (0 = 44100); flags, window and
 * driver are accepted and ignored. */
AUDIO_API int AUDIO_Init(int device, uint32_t freq, uint32_t flags, void *window, const void *driver);
/* Closes the device and frees every stream. Stream creations in progress on
 * other threads are cancelled without waiting for the network, and Free
 * returns only after each of them has returned. Apart from those, not to be
 * called while other threads are inside calls of this library. */
AUDIO_API int AUDIO_Free(void);
AUDIO_API int AUDIO_GetInfo(AUDIO_INFO *info);
AUDIO_API int AUDIO_ErrorGetCode(void);

/* http:// or https:// URL. Returns once the format is known and the first
 * audio frame decodes. offset: first byte of the file to fetch (0 = all).
 * A transfer that breaks off once audio has begun is resumed with a range
 * request (a live stream reconnects), backing off for up to
 * AUDIO_CONFIG_NET_RETRY ms; meanwhile readers wait and the channel stalls.
 * Only then does the download fail (see AUDIO_SYNC_DOWNLOAD); the channel
 * keeps what arrived, never ends because of it, and AUDIO_ChannelPlay
 * (also on a decode-only channel) resumes the download.
 * May run on a thread of its own while another calls AUDIO_Free: it then
 * returns 0 with AUDIO_ERROR_NOT_INITIALISED without waiting for the network
 * (or, had it finished first, its stream is freed with the others). */
AUDIO_API AUDIO_HANDLE AUDIO_StreamCreateURL(const char *url, uint32_t offset, uint32_t flags,
                                             AUDIO_DOWNLOADPROC *proc, void *user);
AUDIO_API AUDIO_HANDLE AUDIO_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags,
                                          AUDIO_STREAMPROC *proc, void *user);
AUDIO_API int AUDIO_StreamFree(AUDIO_HANDLE handle);
AUDIO_API int AUDIO_MusicFree(AUDIO_HANDLE handle);  /* no music modules: fails with AUDIO_ERROR_HANDLE */
AUDIO_API int AUDIO_PluginFree(AUDIO_HANDLE handle); /* no plug-ins: 0 (all) succeeds, others fail */
/* file position of a URL stream, see AUDIO_FILEPOS_*; (uint64_t)-1 = none */
AUDIO_API uint64_t AUDIO_StreamGetFilePosition(AUDIO_HANDLE handle, uint32_t mode);

/* Decode-only channels: blocks while the data is still on its way; returns
 * the bytes delivered, fewer than asked only at the end (0 once ended),
 * (uint32_t)-1 on error. When the download failed: fewer, with the
 * download's error code, and (uint32_t)-1 once nothing is left. */
AUDIO_API uint32_t AUDIO_ChannelGetData(AUDIO_HANDLE handle, void *buffer, uint32_t length);
AUDIO_API int AUDIO_ChannelGetInfo(AUDIO_HANDLE handle, AUDIO_CHANNELINFO *info);
AUDIO_API uint64_t AUDIO_ChannelGetLength(AUDIO_HANDLE handle, uint32_t mode);
AUDIO_API double AUDIO_ChannelBytes2Seconds(AUDIO_HANDLE handle, uint64_t bytes);
AUDIO_API uint64_t AUDIO_ChannelSeconds2Bytes(AUDIO_HANDLE handle, double seconds);
AUDIO_API uint64_t AUDIO_ChannelGetPosition(AUDIO_HANDLE handle, uint32_t mode);
AUDIO_API int AUDIO_ChannelSetPosition(AUDIO_HANDLE handle, uint64_t position, uint32_t mode);
/* Pointer valid until the stream is freed (AUDIO_TAG_META: until eight
 * newer titles have arrived); NULL when absent or not yet arrived (ID3 v1
 * needs the whole file). */
AUDIO_API const char *AUDIO_ChannelGetTags(AUDIO_HANDLE handle, uint32_t type);

AUDIO_API int AUDIO_ChannelPlay(AUDIO_HANDLE handle, int restart);
AUDIO_API int AUDIO_ChannelPause(AUDIO_HANDLE handle);
/* Also wakes a reader blocked in AUDIO_ChannelGetData on a decode-only channel. */
AUDIO_API int AUDIO_ChannelStop(AUDIO_HANDLE handle);
AUDIO_API uint32_t AUDIO_ChannelIsActive(AUDIO_HANDLE handle);
/* param is reserved (0). Returns a sync handle, 0 on failure. */
AUDIO_API AUDIO_HANDLE AUDIO_ChannelSetSync(AUDIO_HANDLE handle, uint32_t type, uint64_t param,
                                            AUDIO_SYNCPROC *proc, void *user);
AUDIO_API int AUDIO_ChannelRemoveSync(AUDIO_HANDLE handle, AUDIO_HANDLE sync);

#ifdef __cplusplus
}
#endif

#endif
