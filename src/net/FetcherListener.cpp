#include "FetcherListener.h"

#include "THTTPGet.h"

#include <QObject>

#include <utility>

FetcherListener::FetcherListener(THTTPGet &fetcher, std::function<void(const QByteArray &body)> onDoneString,
                                 std::function<void()> onError)
    : m_doneString(QObject::connect(&fetcher, &THTTPGet::OnDoneString, &fetcher, std::move(onDoneString)))
    , m_error(QObject::connect(&fetcher, &THTTPGet::OnError, &fetcher, std::move(onError)))
{
}

FetcherListener::~FetcherListener()
{
    QObject::disconnect(m_doneString);
    QObject::disconnect(m_error);
}
