#pragma once

#include <QByteArray>

// What the fetcher keeps of a response head, taken line by line as curl
// hands the lines over (each with its CR LF).
namespace HttpHead {

struct TState
{
    int ContentLength = 0;         // 0 when absent or unreadable
    bool HasContentLength = false; // a Content-Length line came
    bool BadContentLength = false; // and its value is no decimal within 32 bits
    bool Done = false;             // the final head has ended (not an interim 1xx)
    bool Interim = false;          // the head now read is a 1xx
    int Status = 0;                // of the status line, 0 when unreadable
    QByteArray ETag;               // header values as sent, trimmed
    QByteArray LastModified;
    QByteArray ContentType;        // lower-cased
    QByteArray ContentRange;
};

// A status line starts a new head afresh; a blank line ends one.
void TakeLine(TState &state, const QByteArray &line);

// Strict decimal within the range of the 32-bit size the events carry;
// blanks around it are allowed.
bool ParseContentLength(QByteArray text, int &value);

} // namespace HttpHead
