#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One request as the loopback server received it.
struct TLoopbackRequest
{
    QByteArray Raw;         // every byte received on the connection
    QByteArray RequestLine; // without CRLF
    QList<QPair<QByteArray, QByteArray>> Headers; // in order, names as sent
    QByteArray Body;
    bool Complete = false; // head and announced body fully arrived

    // The first header of that name (case-insensitive); empty when absent.
    QByteArray Header(const QByteArray &name) const;
    // The request line's second word: path and query.
    QByteArray Target() const;
};
