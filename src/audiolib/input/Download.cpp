#include "input/Download.h"

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
                   std::function<void(int)> onEnded)
    : options_(std::move(options)), onMeta_(std::move(onMeta)), onEnded_(std::move(onEnded)),
      store_(std::make_unique<ByteStore>(options_.memoryCap, options_.window))
{
    ensureCurl();
}

Download::~Download()
{
    cancel();
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable())
        thread_.join();
}

void Download::start()
{
    std::lock_guard lock(threadMutex_);
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "sonaro-dl");
        run();
    });
}

void Download::cancel()
{
    cancel_.store(true);
    {
        std::lock_guard lock(retryMutex_);
    }
    retryWake_.notify_all();
    std::lock_guard lock(wakeMutex_);
    if (void *multi = multi_.load())
        curl_multi_wakeup(static_cast<CURLM *>(multi));
}

bool Download::resume()
{
    std::lock_guard lock(threadMutex_);
    if (!failed_.load() || cancel_.load())
        return false;
    // A failed run has ended (or is about to): nothing else touches its state.
    if (thread_.joinable())
        thread_.join();
    // Reopened first: a reader must never see a finished store that has not failed.
    store_->reopen();
    error_.store(AUDIO_OK);
    failed_.store(false);
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "sonaro-dl");
        run();
    });
    return true;
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

std::string Download::headerValue(const char *name) const
{
    const size_t n = std::strlen(name);
    std::lock_guard lock(headerMutex_);
    for (const auto &h : headers_) {
        if (h.size() > n && strncasecmp(h.c_str(), name, n) == 0 && h[n] == ':') {
            size_t at = n + 1;
            while (at < h.size() && (h[at] == ' ' || h[at] == '\t'))
                ++at;
            return h.substr(at);
        }
    }
    return {};
}

// The first reply fixes the file: its length, validators and kind. A later
// reply must continue that same file at the byte asked for.
bool Download::acceptReply(long status, int64_t length)
{
    if (!everStarted_) {
        // A server that ignores the range sends the whole file: drop its start.
        if (options_.offset > 0 && status == 200)
            toSkip_ = options_.offset;
        if (length >= 0)
            fileSize_.store(length - int64_t(toSkip_));
        etag_ = headerValue("ETag");
        lastModified_ = headerValue("Last-Modified");
        // An ICY stream is a radio station, whatever length it announces.
        bool icy = icyInterval_ > 0;
        {
            std::lock_guard lock(headerMutex_);
            for (const auto &h : headers_)
                if (strncasecmp(h.c_str(), "icy-", 4) == 0 || h.rfind("ICY ", 0) == 0)
                    icy = true;
        }
        icy_ = icy;
        // A stream without a length, or one larger than the cap, keeps only recent data.
        if (icy || fileSize_.load() < 0 || uint64_t(fileSize_.load()) > options_.memoryCap)
            store_->keepWindowOnly();
        everStarted_ = true;
        return true;
    }
    if (icy_)
        return true; // live: whatever it sends now follows on
    if (strncasecmp(headerValue("Content-Type").c_str(), "text/", 5) == 0) {
        refused_ = AUDIO_ERROR_FORMAT;
        return false;
    }
    const int64_t size = fileSize_.load();
    const uint64_t total = size >= 0 ? options_.offset + uint64_t(size) : 0;
    if (status == 206) {
        const std::string range = headerValue("Content-Range");
        unsigned long long first = 0, last = 0, whole = 0;
        const int fields = std::sscanf(range.c_str(), "bytes %llu-%llu/%llu", &first, &last, &whole);
        if (fields < 2 || first != requestedFrom_ || (fields == 3 && size >= 0 && whole != total)) {
            refused_ = AUDIO_ERROR_HTTP;
            return false;
        }
        return true;
    }
    // 200: the whole file again. Unless it is another file, skip what we have.
    const std::string etag = headerValue("ETag");
    const std::string modified = headerValue("Last-Modified");
    if ((size >= 0 && length >= 0 && uint64_t(length) != total) || (!etag_.empty() && etag != etag_)
        || (etag_.empty() && !lastModified_.empty() && modified != lastModified_)) {
        refused_ = AUDIO_ERROR_HTTP;
        return false;
    }
    toSkip_ = requestedFrom_;
    return true;
}

size_t Download::onBody(const uint8_t *data, size_t size)
{
    if (cancel_.load())
        return 0;
    if (!bodyStarted_) {
        bodyStarted_ = true;
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        curl_off_t length = -1;
        if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
            length = -1;
        if (!acceptReply(status, int64_t(length)))
            return 0;
        icyFilter_.reset();
        if (icyInterval_ > 0) {
            icyFilter_ = std::make_unique<IcyFilter>(
                icyInterval_, [this](const uint8_t *d, size_t n) { store(d, n); },
                [this](const std::string &meta) { if (onMeta_) onMeta_(meta); });
        }
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

Download::Outcome Download::attempt(void *easyHandle, void *multiHandle, int &code)
{
    CURL *e = static_cast<CURL *>(easyHandle);
    CURLM *m = static_cast<CURLM *>(multiHandle);
    curl_easy_reset(e);
    bodyStarted_ = false;
    refused_ = AUDIO_OK;
    toSkip_ = 0;
    const uint64_t before = store_->received();
    requestedFrom_ = options_.offset + before;

    std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(nullptr, "Icy-MetaData: 1"));
    std::string range;
    if (requestedFrom_ > 0 && !icy_) {
        range = std::to_string(requestedFrom_) + "-";
        curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());
        // Only the same file may continue; another one comes whole (and is refused).
        const std::string &validator = !etag_.empty() ? etag_ : lastModified_;
        if (everStarted_ && !validator.empty() && headers)
            headers.reset(curl_slist_append(headers.release(), ("If-Range: " + validator).c_str()));
    }
    if (!headers) {
        code = AUDIO_ERROR_MEMORY;
        return Outcome::Fatal;
    }
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

    curl_multi_add_handle(m, e);
    int running = 1;
    while (running > 0 && !cancel_.load()) {
        if (curl_multi_perform(m, &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(m, nullptr, 0, 1000, nullptr);
    }
    CURLcode result = CURLE_OK;
    bool gotResult = false;
    int queued = 0;
    while (CURLMsg *msg = curl_multi_info_read(m, &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            result = msg->data.result;
            gotResult = true;
        }
    }
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    curl_multi_remove_handle(m, e);

    if (cancel_.load())
        return Outcome::Cancelled;
    if (refused_ != AUDIO_OK) {
        code = refused_;
        return Outcome::Fatal;
    }
    if (store_->received() > before)
        retryPolicyProgress_ = true;
    Outcome broken = everStarted_ ? Outcome::Retry : Outcome::Fatal;
    if (!gotResult) {
        code = AUDIO_ERROR_CONNECT;
        return broken;
    }
    switch (result) {
    case CURLE_OK: {
        const int64_t size = fileSize_.load();
        if (size >= 0 ? store_->received() >= uint64_t(size) : !icy_)
            return Outcome::Complete;
        // Ended short of its length, or a live stream that stopped: a break.
        code = AUDIO_ERROR_CONNECT;
        return broken;
    }
    case CURLE_HTTP_RETURNED_ERROR:
        code = AUDIO_ERROR_HTTP;
        // A server in trouble may come back; a refusal of the request will not change.
        return status >= 500 ? broken : Outcome::Fatal;
    case CURLE_OPERATION_TIMEDOUT:
        code = AUDIO_ERROR_TIMEOUT;
        return broken;
    case CURLE_OUT_OF_MEMORY:
        code = AUDIO_ERROR_MEMORY;
        return Outcome::Fatal;
    default:
        code = AUDIO_ERROR_CONNECT;
        return broken;
    }
}

void Download::run()
{
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    int code = AUDIO_OK;
    Outcome outcome = Outcome::Fatal;
    if (!easy || !multi) {
        code = AUDIO_ERROR_MEMORY;
    } else {
        easy_ = easy.get();
        {
            std::lock_guard lock(wakeMutex_);
            multi_.store(multi.get());
        }
        RetryPolicy policy(options_.retryBudget);
        for (;;) {
            retryPolicyProgress_ = false;
            outcome = attempt(easy.get(), multi.get(), code);
            if (retryPolicyProgress_)
                policy.progressed();
            if (outcome != Outcome::Retry)
                break;
            const auto delay = policy.failed(RetryPolicy::Clock::now());
            retries_.store(policy.failures());
            if (delay.count() < 0) {
                outcome = Outcome::Fatal;
                break;
            }
            std::unique_lock lock(retryMutex_);
            if (retryWake_.wait_for(lock, delay, [this] { return cancel_.load(); })) {
                outcome = Outcome::Cancelled;
                break;
            }
        }
        retries_.store(0);
        {
            std::lock_guard lock(wakeMutex_);
            multi_.store(nullptr);
        }
    }
    const bool complete = outcome == Outcome::Complete;
    if (!complete) {
        error_.store(outcome == Outcome::Cancelled ? AUDIO_ERROR_CONNECT : code);
        failed_.store(outcome != Outcome::Cancelled);
    }
    store_->finish(complete);
    if (options_.proc && !cancel_.load())
        options_.proc(nullptr, 0, options_.user);
    if (onEnded_)
        onEnded_(complete ? AUDIO_OK : error_.load());
}

} // namespace sonaroaudio
