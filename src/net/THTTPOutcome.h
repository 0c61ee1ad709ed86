#pragma once

#include <QByteArray>
#include <QtGlobal>

// What the last finished request of a fetcher found out, readable in and
// after its completion event (OnDoneFile, OnDoneString, OnError).
struct THTTPOutcome
{
    enum class TFailure {
        None,      // succeeded
        Address,   // the URL names no host this fetcher can reach
        Aborted,   // Abort was called
        Connect,   // no connection could be made
        Stalled,   // connect or no-progress timeout
        Transport, // no reply, or the body ended before its announced length
        Status,    // a file request got a status it cannot use (see Status)
        Html,      // a file request got a web page instead of a file
        NoLength,  // a file reply without Content-Length: it cannot be checked
        Range,     // a resumed request got a range other than the one asked for
        File,      // the target file could not be opened or written
        Other,
    };

    TFailure Failure = TFailure::Other;
    int Status = 0;         // of the final response head; 0 when none arrived
    QByteArray Validator;   // strong ETag, else Last-Modified; empty when neither
    qint64 BodyOffset = 0;  // where in the file this reply's body began
    qint64 TotalLength = -1; // the whole resource's length when the reply told it
};
