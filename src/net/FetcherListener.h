#pragma once

#include <QByteArray>
#include <QMetaObject>

#include <functional>

class THTTPGet;

// A flow's hold on the string outcomes of the fetcher it owns: connected for
// the listener's whole life and cut when it goes, so a fetcher that outlives
// its flow calls nothing that is gone. Owner's thread only.
class FetcherListener
{
public:
    FetcherListener(THTTPGet &fetcher, std::function<void(const QByteArray &body)> onDoneString,
                    std::function<void()> onError);
    ~FetcherListener();

    FetcherListener(const FetcherListener &) = delete;
    FetcherListener &operator=(const FetcherListener &) = delete;

private:
    QMetaObject::Connection m_doneString;
    QMetaObject::Connection m_error;
};
