#include "HttpHead.h"

#include <QList>

#include <climits>

namespace HttpHead {

bool ParseContentLength(QByteArray text, int &value)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 10)
        return false;
    qint64 n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n > INT_MAX)
        return false;
    value = static_cast<int>(n);
    return true;
}

void TakeLine(TState &state, const QByteArray &line)
{
    if (line.startsWith("HTTP/")) {
        // A new response head (the final one after any interim 1xx) starts afresh.
        state = TState{};
        const QList<QByteArray> parts = line.split(' ');
        state.Interim = parts.size() >= 2 && parts[1].startsWith('1');
        state.Status = parts.size() >= 2 ? parts[1].toInt() : 0;
        return;
    }
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty()) {
        state.Done = !state.Interim;
        return;
    }
    const qsizetype colon = trimmed.indexOf(':');
    if (colon <= 0)
        return;
    const QByteArray name = trimmed.left(colon).trimmed().toLower();
    const QByteArray value = trimmed.mid(colon + 1).trimmed();
    if (name == "content-length") {
        int length = 0;
        state.HasContentLength = true;
        state.BadContentLength = !ParseContentLength(value, length);
        state.ContentLength = state.BadContentLength ? 0 : length;
    } else if (name == "etag") {
        state.ETag = value;
    } else if (name == "last-modified") {
        state.LastModified = value;
    } else if (name == "content-type") {
        state.ContentType = value.toLower();
    } else if (name == "content-range") {
        state.ContentRange = value;
    }
}

} // namespace HttpHead
