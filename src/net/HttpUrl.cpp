#include "HttpUrl.h"

#include <algorithm>

namespace HttpUrl {

std::optional<TTarget> Split(const QByteArray &url)
{
    // A literal, not a static object: detached workers may still split a URL
    // while the process runs its exit-time destructors.
    constexpr char prefix[] = "http://";
    constexpr qsizetype prefixSize = sizeof prefix - 1;
    QByteArray rest = url;
    if (rest.size() >= prefixSize && qstrnicmp(rest.constData(), prefix, prefixSize) == 0)
        rest.remove(0, prefixSize);
    const qsizetype slash = rest.indexOf('/');
    if (slash <= 0)
        return std::nullopt;
    TTarget target{rest.left(slash), rest.mid(slash)};
    // "host:port" with a port of 1..65535; anything else after a colon stays
    // in the host, where IsPlainHost refuses it.
    const qsizetype colon = target.Host.lastIndexOf(':');
    if (colon > 0 && colon + 1 < target.Host.size() && target.Host.size() - colon - 1 <= 5) {
        const QByteArray digits = target.Host.mid(colon + 1);
        bool ok = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int port = ok ? digits.toInt(&ok) : 0;
        if (ok && port >= 1 && port <= 65535) {
            target.Host.truncate(colon);
            target.Port = port;
        }
    }
    return target;
}

bool IsPlainHost(const QByteArray &host)
{
    if (host.isEmpty())
        return false;
    for (const char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

QByteArray HeaderValue(const QByteArray &value)
{
    QByteArray out = value;
    out.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return out;
}

} // namespace HttpUrl
