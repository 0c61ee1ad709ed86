#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The request addresses of the search service, ready for THTTPGet::URL.
// Texts come in as Windows-1250 bytes. The search text and track IDs are
// percent-encoded, so spaces, '&', '#', '+' and accented letters reach the
// service as part of their value instead of breaking the query.
namespace ServiceRequests {

// FinderUrl?find=<text>
QByteArray Search(QByteArrayView searchText);
// GetMp3Url?act=play&id=<id>
QByteArray Play(QByteArrayView trackId);
// GetMp3Url?act=down&id=<id>
QByteArray Download(QByteArrayView trackId);
// GetMp3Url?act=add&id=<id>, plus &kam=<index> when the track was dropped
// onto the playlist entry with that 0-based index.
QByteArray Add(QByteArrayView trackId, std::optional<int> dropIndex = std::nullopt);
// RateUrl?body=<stars>&id=<id>; stars must be 1 to 5 (std::out_of_range otherwise).
QByteArray Rate(int stars, QByteArrayView trackId);
// UpdateUrl?verze=<ClientVersion>&kid=<clientId>; -1 when none is known.
QByteArray Update(int clientId);

// The POST body that carries the client ID once the update check succeeded.
QByteArray ClientIdBody(int clientId);

} // namespace ServiceRequests
