#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The client's percent-encoding, through Qt's own.
namespace PercentEncoding {

// Everything but the unreserved characters of RFC 3986 ("-._~", letters,
// digits) as "%XX" in upper case: a query value of the service's protocol.
QByteArray encode(QByteArrayView bytes);

// Only the bytes that cannot stand on a request line (space, control
// bytes, bytes >= 128); every other byte goes as given, so a path that is
// already encoded is not encoded twice.
QByteArray encodeRequestTarget(QByteArrayView path);

} // namespace PercentEncoding
