#include "Download.h"

#include <curl/curl.h>

#include <cstring>
#include <pthread.h>
#include <strings.h>

namespace sonaroaudio {

namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

void ensureCurl()
{
    static CurlGlobal global;
}

struct EasyDeleter { void operator()(CURL *c) const { curl_easy_cleanup(c); } };
struct MultiDeleter { void operator()(CURLM *m) const { curl_multi_cleanup(m); } };
struct SlistDeleter { void operator()(curl_slist *l) const { curl_slist_free_all(l); } };

} // namespace

Download::Download(DownloadOptions options, std::function<void(const std::string &)> onMeta,
                   std::function<void()> onEnded)
    : options_(std::move(options)), onMeta_(std::move(onMeta)), onEnded_(std::move(onEnded)),
      store_(std::make_unique<ByteStore>(options_.memoryCap, options_.window))
{
    ensureCurl();
}

Download::~Download()
{
    cancel();
    if (thread_.joinable())
        thread_.join();
}

void Download::start()
{
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "sonaro-dl");
        run();
    });
}

void Download::cancel()
{
    cancel_.store(true);
    std::lock_guard lock(wakeMutex_);
    if (void *multi = multi_.load())
        curl_multi_wakeup(static_cast<CURLM *>(multi));
}

std::vector<std::string> Download::headers(bool icyOnly) const
{
    std::lock_guard lock(headerMutex_);
    if (!icyOnly)
        return headers_;
    std::vector<std::string> out;
    for (const auto &line : headers_)
        if (strncasecmp(line.c_str(), "icy-", 4) == 0)
            out.push_back(line);
    return out;
}

size_t Download::bodyThunk(char *data, size_t size, size_t n, void *self)
{
    return static_cast<Download *>(self)->onBody(reinterpret_cast<const uint8_t *>(data), size * n);
}

size_t Download::headerThunk(char *data, size_t size, size_t n, void *self)
{
    static_cast<Download *>(self)->onHeader(data, size * n);
    return size * n;
}

void Download::onHeader(const char *line, size_t size)
{
    std::string text(line, size);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (text.empty())
        return;
    std::lock_guard lock(headerMutex_);
    // A status line starts a new response (after a redirect): forget the old headers.
    if (text.rfind("HTTP/", 0) == 0 || text.rfind("ICY ", 0) == 0) {
        headers_.clear();
        icyInterval_ = 0;
    }
    if (strncasecmp(text.c_str(), "icy-metaint:", 12) == 0)
        icyInterval_ = size_t(std::strtoul(text.c_str() + 12, nullptr, 10));
    headers_.push_back(std::move(text));
}

size_t Download::onBody(const uint8_t *data, size_t size)
{
    if (cancel_.load())
        return 0;
    if (!bodyStarted_) {
        bodyStarted_ = true;
        long code = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
        curl_off_t length = -1;
        if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0) {
            // A server that ignores the range sends the whole file: drop its start.
            if (options_.offset > 0 && code == 200)
                toSkip_ = options_.offset;
            fileSize_.store(int64_t(length) - int64_t(toSkip_));
        }
        // An ICY stream is a radio station, whatever length it announces.
        bool icy = icyInterval_ > 0;
        {
            std::lock_guard lock(headerMutex_);
            for (const auto &h : headers_)
                if (strncasecmp(h.c_str(), "icy-", 4) == 0 || h.rfind("ICY ", 0) == 0)
                    icy = true;
        }
        if (icyInterval_ > 0) {
            icyFilter_ = std::make_unique<IcyFilter>(
                icyInterval_, [this](const uint8_t *d, size_t n) { store(d, n); },
                [this](const std::string &meta) { if (onMeta_) onMeta_(meta); });
        }
        // A stream without a length, or one larger than the cap, keeps only recent data.
        if (icy || fileSize_.load() < 0 || uint64_t(fileSize_.load()) > options_.memoryCap)
            store_->keepWindowOnly();
    }
    if (icyFilter_)
        icyFilter_->feed(data, size);
    else
        store(data, size);
    return size;
}

void Download::store(const uint8_t *data, size_t size)
{
    if (toSkip_ > 0) {
        const size_t n = size_t(std::min<uint64_t>(toSkip_, size));
        toSkip_ -= n;
        data += n;
        size -= n;
    }
    if (size == 0)
        return;
    store_->append(data, size);
    if (options_.proc)
        options_.proc(data, uint32_t(size), options_.user);
}

void Download::run()
{
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(nullptr, "Icy-MetaData: 1"));
    if (!easy || !multi || !headers) {
        error_.store(AUDIO_ERROR_MEMORY);
        store_->finish(false);
        if (onEnded_)
            onEnded_();
        return;
    }
    CURL *e = easy.get();
    easy_ = e;
    curl_easy_setopt(e, CURLOPT_URL, options_.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, options_.followRedirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_HTTP09_ALLOWED, 0L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, options_.timeoutMs);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, std::max(1L, (options_.timeoutMs + 999) / 1000));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Download::bodyThunk);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Download::headerThunk);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "libsonaroaudio/2.3");
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 256L * 1024L);
    std::string range;
    if (options_.offset > 0) {
        range = std::to_string(options_.offset) + "-";
        curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());
    }

    curl_multi_add_handle(multi.get(), e);
    {
        std::lock_guard lock(wakeMutex_);
        multi_.store(multi.get());
    }
    int running = 1;
    while (running > 0 && !cancel_.load()) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
    }
    {
        std::lock_guard lock(wakeMutex_);
        multi_.store(nullptr);
    }

    CURLcode result = CURLE_OK;
    bool gotResult = false;
    int queued = 0;
    while (CURLMsg *msg = curl_multi_info_read(multi.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            result = msg->data.result;
            gotResult = true;
        }
    }
    curl_multi_remove_handle(multi.get(), e);

    const bool complete = gotResult && result == CURLE_OK && !cancel_.load();
    if (!complete) {
        int code = AUDIO_ERROR_CONNECT;
        if (result == CURLE_HTTP_RETURNED_ERROR)
            code = AUDIO_ERROR_HTTP;
        else if (result == CURLE_OPERATION_TIMEDOUT)
            code = AUDIO_ERROR_TIMEOUT;
        else if (result == CURLE_OUT_OF_MEMORY)
            code = AUDIO_ERROR_MEMORY;
        error_.store(code);
        // What arrived is all there is: the file ends there.
        if (fileSize_.load() >= 0)
            fileSize_.store(int64_t(store_->received()));
    }
    store_->finish(complete);
    if (options_.proc && !cancel_.load())
        options_.proc(nullptr, 0, options_.user);
    if (onEnded_)
        onEnded_();
}

} // namespace sonaroaudio
