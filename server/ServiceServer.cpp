#include "ServiceServer.h"

#include "ByteRanges.h"
#include "GatedHttpServer.h"
#include "Library.h"
#include "Options.h"
#include "PercentCodec.h"
#include "QueryString.h"
#include "ReplyWriter.h"
#include "SearchQuery.h"
#include "Windows1250Codec.h"

#include <httplib.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sys/socket.h>

namespace {

constexpr const char *kXml = "text/xml; charset=windows-1250";
constexpr size_t kChunk = 64 * 1024;
constexpr size_t kBodyMax = 64 * 1024;

GatedHttpServer::Settings settingsOf(const Options &options)
{
    GatedHttpServer::Settings s;
    s.threads = size_t(options.threads);
    s.limits.requestTimeout = std::chrono::seconds(options.requestTimeout);
    s.limits.idleTimeout = std::chrono::seconds(options.requestTimeout);
    s.limits.bodyMax = kBodyMax;
    s.limits.perAddress = size_t(options.maxPerAddress);
    s.limits.maxConnections = size_t(options.maxConnections);
    return s;
}

bool wildcard(const std::string &address)
{
    return address == "0.0.0.0" || address == "::" || address == "[::]";
}

std::string_view queryOf(const httplib::Request &req)
{
    const std::string_view target = req.target;
    const auto q = target.find('?');
    return q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
}

template <typename T>
std::optional<T> decimal(std::string_view text)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The POST body "KID=<id>" of a client that has passed its update check;
// -1 for a GET or anything unreadable.
std::int64_t clientIdOf(const httplib::Request &req)
{
    if (req.method != "POST")
        return -1;
    const auto kid = QueryString(req.body).value("KID");
    if (!kid)
        return -1;
    return decimal<std::int64_t>(*kid).value_or(-1);
}

void reply(httplib::Response &res, int status, std::string body)
{
    res.status = status;
    res.set_content(std::move(body), kXml);
}

void badRequest(httplib::Response &res, std::string_view why)
{
    reply(res, 400, ReplyWriter::error(why));
}

// Dotted decimal versions ("0.3" < "0.10"); text that is no version is
// never older than anything.
bool olderVersion(std::string_view have, std::string_view latest)
{
    auto next = [](std::string_view &v, bool &ok) {
        const auto dot = v.find('.');
        const auto part = decimal<long>(v.substr(0, dot));
        ok = ok && part.has_value();
        v = dot == std::string_view::npos ? std::string_view() : v.substr(dot + 1);
        return part.value_or(0);
    };
    bool ok = true;
    while (ok && (!have.empty() || !latest.empty())) {
        const long a = have.empty() ? 0 : next(have, ok);
        const long b = latest.empty() ? 0 : next(latest, ok);
        if (!ok)
            return false;
        if (a != b)
            return a < b;
    }
    return false;
}

bool safeHost(std::string_view host)
{
    if (host.empty() || host.size() > 255)
        return false;
    for (const char c : host)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '['
              || c == ']'))
            return false;
    return true;
}

} // namespace

ServiceServer::ServiceServer(Library &library, const Options &options)
    : library_(library), options_(options), http_(std::make_unique<GatedHttpServer>(settingsOf(options)))
{
    httplib::Server &s = *http_;
    // Announced bodies over the cap are refused unread; chunked ones are cut
    // off by the gate's read budget and checked again below.
    s.set_payload_max_length(kBodyMax);
    // Headers and body leave in separate writes; with Nagle's algorithm the
    // body would wait for the client's delayed ACK (40 ms a reply).
    s.set_tcp_nodelay(true);
    // The library's default adds SO_REUSEPORT, which lets a second service
    // bind the same address and quietly take half of the requests.
    s.set_socket_options([this](int fd) {
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenFd_ = fd;
    });

    const auto both = [&s](const std::string &pattern, httplib::Server::Handler handler) {
        s.Get(pattern, handler);
        s.Post(pattern, [handler](const httplib::Request &q, httplib::Response &r) {
            if (q.body.size() > kBodyMax)
                return reply(r, 413, ReplyWriter::error("body too large"));
            handler(q, r);
        });
    };
    both("/engine/finder.php", [this](const httplib::Request &q, httplib::Response &r) { finder(q, r); });
    both("/engine/getmp3.php", [this](const httplib::Request &q, httplib::Response &r) { getMp3(q, r); });
    both("/engine/hodnot.php", [this](const httplib::Request &q, httplib::Response &r) { rate(q, r); });
    both("/engine/update.php", [this](const httplib::Request &q, httplib::Response &r) { update(q, r); });
    both("/engine/up_data.php", [](const httplib::Request &, httplib::Response &r) { reply(r, 200, ReplyWriter::upData()); });
    s.Get(R"(/files/(\d{1,18})/(.*))", [this](const httplib::Request &q, httplib::Response &r) { file(q, r); });

    // Before the library reads (or skips) a body: one announced too big is
    // refused at once and the connection closed, its body never read.
    s.set_pre_routing_handler([](const httplib::Request &req, httplib::Response &res) {
        const std::string length = req.get_header_value("Content-Length");
        const auto announced = decimal<std::uint64_t>(length);
        if (length.empty() || (announced && *announced <= kBodyMax))
            return httplib::Server::HandlerResponse::Unhandled;
        GatedHttpServer::closeCurrentAfterReply();
        res.set_header("Connection", "close");
        reply(res, announced ? 413 : 400, ReplyWriter::error(announced ? "body too large" : "bad Content-Length"));
        return httplib::Server::HandlerResponse::Handled;
    });
    s.set_exception_handler([](const httplib::Request &req, httplib::Response &res, std::exception_ptr ep) {
        std::string what = "unknown error";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception &e) {
            what = e.what();
        } catch (...) {
        }
        std::cerr << "sonaro-service: " << req.method << ' ' << req.path << ": " << what << '\n';
        reply(res, 500, ReplyWriter::error("internal error"));
    });
    s.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (GatedHttpServer::currentRequestOverBudget()) {
            res.status = 413;
            res.body.clear();
        }
        if (res.body.empty())
            reply(res, res.status, ReplyWriter::error("HTTP " + std::to_string(res.status)));
    });
}

ServiceServer::~ServiceServer() = default;

void ServiceServer::bind()
{
    errno = 0;
    if (!http_->bind_to_port(options_.address, options_.port)) {
        const int error = errno;
        std::string message = "cannot listen on " + options_.address + " port " + std::to_string(options_.port);
        if (error != 0)
            message += std::string(": ") + std::strerror(error);
        if (error == EACCES && options_.port < 1024)
            message += " (ports below 1024 need root or the capability CAP_NET_BIND_SERVICE)";
        throw ServerError(message);
    }
    // The library listens with a backlog of 5: a burst of clients connecting
    // at once would have SYNs dropped and wait a second for the retry.
    if (listenFd_ >= 0)
        ::listen(listenFd_, 1024);
}

void ServiceServer::run()
{
    http_->listen_after_bind();
    http_->shutdownGate();
}

size_t ServiceServer::connectionsFrom(const std::string &peer) const
{
    return http_->gate().connectionsFrom(peer);
}

void ServiceServer::stop()
{
    http_->stop();
}

std::string ServiceServer::baseUrl(const httplib::Request &req) const
{
    if (!options_.publicUrl.empty())
        return options_.publicUrl;
    // A Host header is the client's to choose: reflected only when the
    // operator says a proxy in front has checked it.
    if (options_.urlFromHost) {
        const std::string host = req.get_header_value("Host");
        if (safeHost(host))
            return "http://" + host + "/";
    }
    std::string address = wildcard(options_.address) ? req.local_addr : options_.address;
    if (address.find(':') != std::string::npos && address.front() != '[')
        address = "[" + address + "]";
    std::string url = "http://" + address;
    if (options_.port != 80)
        url += ':' + std::to_string(options_.port);
    return url + "/";
}

void ServiceServer::finder(const httplib::Request &req, httplib::Response &res)
{
    library_.sync();
    const std::optional<std::string> text = QueryString::searchText(queryOf(req));
    if (!text)
        return badRequest(res, "no search text (find=)");
    const SearchQuery query = SearchQuery::parse(*text);
    Library::Snapshot keep;
    const auto hits = library_.search(query, options_.maxResults, clientIdOf(req), keep);
    reply(res, 200, ReplyWriter::finder(hits));
}

void ServiceServer::getMp3(const httplib::Request &req, httplib::Response &res)
{
    library_.sync();
    const QueryString params(queryOf(req));
    const std::string action = params.value("act").value_or("");
    if (action != "play" && action != "down" && action != "add")
        return badRequest(res, "act must be play, down or add");
    const auto id = decimal<std::int64_t>(params.value("id").value_or(""));
    if (!id)
        return badRequest(res, "id must be a track ID");
    Library::Snapshot keep;
    const Library::Entry *entry = library_.find(*id, keep);
    if (!entry)
        return reply(res, 404, ReplyWriter::error("unknown track"));
    // The client reads kam as an integer and fails on anything else, so
    // only a valid position goes back; otherwise the entry is appended.
    long kam = -1;
    if (action == "add") {
        if (const auto k = params.value("kam"))
            kam = decimal<std::int32_t>(*k).value_or(-1);
        if (kam < 0)
            kam = -1;
    }
    const std::string &fileName = entry->fileName;
    const auto dot = fileName.rfind('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string url = baseUrl(req) + "files/" + std::to_string(*id) + "/" + PercentCodec::encode(stem) + ".mp3";
    reply(res, 200, ReplyWriter::track(action, kam, *entry, url));
}

void ServiceServer::rate(const httplib::Request &req, httplib::Response &res)
{
    const QueryString params(queryOf(req));
    const auto stars = decimal<int>(params.value("body").value_or(""));
    if (!stars || *stars < 1 || *stars > 5)
        return badRequest(res, "body must be 1 to 5");
    const auto id = decimal<std::int64_t>(params.value("id").value_or(""));
    if (!id)
        return badRequest(res, "id must be a track ID");
    std::string ratingText;
    if (library_.rate(*id, clientIdOf(req), *stars, ratingText) == Library::RateResult::UnknownTrack)
        return reply(res, 404, ReplyWriter::error("unknown track"));
    // A repeated rating or one without a client ID changes nothing; the
    // reply still tells the current average.
    reply(res, 200, ReplyWriter::rating(ratingText));
}

void ServiceServer::update(const httplib::Request &req, httplib::Response &res)
{
    library_.sync();
    const QueryString params(queryOf(req));
    ReplyWriter::Update u;
    const auto kid = decimal<std::int64_t>(params.value("kid").value_or(""));
    u.clientId = kid && library_.isClient(*kid) ? *kid : library_.newClient();
    const std::string version = params.value("verze").value_or("");
    if (!options_.latestVersion.empty() && olderVersion(version, options_.latestVersion)) {
        u.newVersion = true;
        u.version = Windows1250::fromUtf8(options_.latestVersion);
        u.versionSize = options_.latestSize;
    }
    u.message = Windows1250::fromUtf8(options_.message);
    u.trackCount = library_.trackCount();
    reply(res, 200, ReplyWriter::update(u));
}

void ServiceServer::file(const httplib::Request &req, httplib::Response &res)
{
    library_.sync();
    const auto id = decimal<std::int64_t>(req.matches[1].str());
    Library::Snapshot keep;
    const Library::Entry *entry = id ? library_.find(*id, keep) : nullptr;
    if (!entry) {
        res.status = 404;
        res.set_content("unknown track\n", "text/plain");
        return;
    }
    if (!options_.accelPrefix.empty()) {
        // nginx sends the file, ranges and all; relPath came from the scan.
        std::string target = options_.accelPrefix;
        std::string_view rest = entry->info.relPath;
        for (;;) {
            const auto slash = rest.find('/');
            target += PercentCodec::encode(rest.substr(0, slash));
            if (slash == std::string_view::npos)
                break;
            target += '/';
            rest.remove_prefix(slash + 1);
        }
        const_cast<httplib::Request &>(req).ranges.clear();
        res.set_header("X-Accel-Redirect", target);
        res.set_content("", "audio/mpeg");
        return;
    }
    const std::filesystem::path path = library_.filePath(*entry);
    std::shared_ptr<std::FILE> fp(std::fopen(path.c_str(), "rb"), [](std::FILE *f) {
        if (f)
            std::fclose(f);
    });
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!fp || ec) {
        res.status = 404;
        res.set_content("file is gone\n", "text/plain");
        return;
    }
    // The ranges live in the library's own, non-const request.
    httplib::Ranges &ranges = const_cast<httplib::Request &>(req).ranges;
    if (!clampRanges(ranges, std::int64_t(size))) {
        ranges.clear();  // else the library cuts this reply by them too
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        res.set_content("range not satisfiable\n", "text/plain");
        return;
    }
    res.set_header("Accept-Ranges", "bytes");
    res.set_content_provider(size_t(size), "audio/mpeg",
                             [fp](size_t offset, size_t length, httplib::DataSink &sink) {
                                 std::vector<char> buffer(std::min(length, kChunk));
                                 if (fseeko(fp.get(), off_t(offset), SEEK_SET) != 0)
                                     return false;
                                 const size_t got = std::fread(buffer.data(), 1, buffer.size(), fp.get());
                                 if (got == 0)
                                     return false;  // the file shrank: end the connection
                                 return sink.write(buffer.data(), got);
                             });
}
