#pragma once

#include <curl/curl.h>

#include <QByteArray>

#include <stdexcept>

// One libcurl easy handle and the header list it points at, released together.
// Move-only: a handle belongs to exactly one thread at a time.
class TCurlEasy
{
public:
    TCurlEasy();
    ~TCurlEasy();
    TCurlEasy(TCurlEasy &&other) noexcept;
    TCurlEasy &operator=(TCurlEasy &&other) noexcept;
    TCurlEasy(const TCurlEasy &) = delete;
    TCurlEasy &operator=(const TCurlEasy &) = delete;

    // Throws std::runtime_error when curl refuses the option.
    template <typename T>
    void Set(CURLoption option, T value)
    {
        const CURLcode rc = curl_easy_setopt(FHandle, option, value);
        if (rc != CURLE_OK)
            throw std::runtime_error(curl_easy_strerror(rc));
    }

    // Adds one raw request header line; the list is handed to curl on Perform.
    void AddHeader(const QByteArray &line);
    CURLcode Perform();
    // Back to the state of a new handle; throws nothing.
    void Reset() noexcept;
    CURL *Get() const { return FHandle; }

private:
    void Release() noexcept;

    CURL *FHandle = nullptr;
    curl_slist *FHeaders = nullptr;
};
