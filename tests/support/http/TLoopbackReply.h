#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What the loopback server sends for one request. Without a Status, Bytes go
// out exactly as given (status line, head and body); with one, the server
// writes the head and Bytes (or File) are the body. Byte positions count the
// bytes of Bytes (or File) sent so far, repeats included.
struct TLoopbackReply
{
    QByteArray Bytes{};
    int DelayMs = 0;       // silence between the request and the first byte
    int ChunkSize = 0;     // > 0: Bytes go out in pieces of this many bytes ...
    int ChunkDelayMs = 0;  // ... this far apart
    qint64 DropAfter = -1; // >= 0: the connection closes after this many bytes
    // >= 0: sending pauses once at this position (also at the very end) ...
    qint64 StallAfter = -1;
    // ... for this long; < 0: until the client leaves or the server stops.
    int StallMs = -1;

    // The rest only for a reply whose head the server writes.
    int Status = 0;             // "HTTP/1.0 <Status> <reason>"
    QList<QByteArray> Headers{}; // further head lines, without CRLF
    bool ContentLength = true;  // announce the body's length (never for Endless or ICY bodies)
    bool Endless = false;       // the body repeats until the client leaves
    int BytesPerSecond = 0;     // 0: as fast as the socket takes it
    int IcyInterval = 0;        // > 0: an ICY metadata block after every this many body bytes
    // Texts of successive ICY blocks ("StreamTitle='A';"), cycling; none: empty blocks.
    QList<QByteArray> IcyMeta{};
    // Answer "Range: bytes=a-[b]" with 206 and that part, or 416 beyond the
    // end; otherwise a range is ignored and the whole body goes out.
    bool Ranges = false;
    int DropTimes = -1;         // a route's first this many requests only are dropped; -1: all
    QString File{};             // the body from this file, by sendfile(2); Bytes unused
};
