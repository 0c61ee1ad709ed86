#pragma once

#include <QByteArray>

#include <optional>

// How the fetcher reads its URL: an optional lower- or upper-case "http://",
// the host (with an optional ":port") up to the first "/", the path (with
// query) from there. User information and other schemes are not recognised;
// without a port requests go to port 80.
namespace HttpUrl {

struct TTarget
{
    QByteArray Host;
    QByteArray Path; // starts with "/"
    int Port = 80;
};

// Empty when no "/" follows the host or the host is empty.
std::optional<TTarget> Split(const QByteArray &url);

// Only letters, digits, "-", "." and "_": anything else (":", "@", spaces)
// would let the connection go somewhere other than host:80.
bool IsPlainHost(const QByteArray &host);

// Drops CR, LF and NUL, so a value cannot end its header line early.
QByteArray HeaderValue(const QByteArray &value);

} // namespace HttpUrl
