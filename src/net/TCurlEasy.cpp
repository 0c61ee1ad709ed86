#include "TCurlEasy.h"

#include <utility>

TCurlEasy::TCurlEasy()
    : FHandle(curl_easy_init())
{
    if (!FHandle)
        throw std::runtime_error("curl_easy_init failed");
}

TCurlEasy::~TCurlEasy()
{
    Release();
}

TCurlEasy::TCurlEasy(TCurlEasy &&other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr))
    , FHeaders(std::exchange(other.FHeaders, nullptr))
{
}

TCurlEasy &TCurlEasy::operator=(TCurlEasy &&other) noexcept
{
    if (this != &other) {
        Release();
        FHandle = std::exchange(other.FHandle, nullptr);
        FHeaders = std::exchange(other.FHeaders, nullptr);
    }
    return *this;
}

void TCurlEasy::Release() noexcept
{
    // The handle goes first: it may still refer to the list.
    if (FHandle)
        curl_easy_cleanup(FHandle);
    if (FHeaders)
        curl_slist_free_all(FHeaders);
    FHandle = nullptr;
    FHeaders = nullptr;
}

void TCurlEasy::AddHeader(const QByteArray &line)
{
    curl_slist *grown = curl_slist_append(FHeaders, line.constData());
    if (!grown)
        throw std::bad_alloc();
    FHeaders = grown;
}

CURLcode TCurlEasy::Perform()
{
    if (FHeaders)
        Set(CURLOPT_HTTPHEADER, FHeaders);
    return curl_easy_perform(FHandle);
}

void TCurlEasy::Reset() noexcept
{
    curl_easy_reset(FHandle);
    if (FHeaders)
        curl_slist_free_all(FHeaders);
    FHeaders = nullptr;
}
