// 1,000 sequential text requests through THTTPGet against the same requests
// made by a plain libcurl loop on one thread, both against the loopback
// server with one small canned reply. Prints both rates and their ratio. Argument: number of rounds.
#include "THTTPGet.h"
#include "TLoopbackServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Requests = 1000;

size_t Collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

// The same request a fetcher sends, made the plain way on one handle.
double PlainLoop(const std::string &url)
{
    CURL *easy = curl_easy_init();
    curl_slist *headers = nullptr;
    for (const char *h : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache", "Expect:"})
        headers = curl_slist_append(headers, h);
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Sonaro Client");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    int ok = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Requests; ++i) {
        body.clear();
        ok += curl_easy_perform(easy) == CURLE_OK && !body.empty();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    if (ok != Requests)
        std::fprintf(stderr, "plain loop: %d of %d requests failed\n", Requests - ok, Requests);
    return Requests / seconds;
}

double FetcherLoop(const std::string &url)
{
    THTTPGet get;
    get.Agent = "Sonaro Client";
    get.URL = QByteArray::fromStdString(url);
    QEventLoop loop;
    int done = 0;
    int failed = 0;
    const auto next = [&] {
        if (++done == Requests)
            loop.quit();
        else
            get.GetString();
    };
    QObject::connect(&get, &THTTPGet::OnDoneString, &get, [&](const QByteArray &) { next(); });
    QObject::connect(&get, &THTTPGet::OnError, &get, [&] {
        ++failed;
        next();
    });
    QElapsedTimer clock;
    clock.start();
    get.GetString();
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (failed)
        std::fprintf(stderr, "THTTPGet: %d of %d requests failed\n", failed, Requests);
    return Requests / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    THTTPGet::GlobalInit();
    std::unique_ptr<TLoopbackServer> server;
    try {
        server = std::make_unique<TLoopbackServer>();
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    server->ServeOneAtATime(true);
    server->SetReply({"HTTP/1.0 200 OK\r\nContent-Length: 57\r\nContent-Type: text/xml\r\n\r\n"
                      "<?xml version=\"1.0\"?><r><t id=\"1\">abcdefghijklmn</t></r>\n"});
    const std::string url = server->Url("/find.php?find=abc").toStdString();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    PlainLoop(url); // warm-up: lazy initialisation, first thread of the pool
    FetcherLoop(url);
    // Alternating rounds, so that load from elsewhere on the machine hits both
    // loops alike.
    std::vector<double> plain, fetcher;
    for (int r = 0; r < rounds; ++r) {
        plain.push_back(PlainLoop(url));
        fetcher.push_back(FetcherLoop(url));
        std::printf("round %d: plain %7.0f/s  THTTPGet %7.0f/s\n", r + 1, plain.back(), fetcher.back());
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const auto best = [](const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); };
    // The best round is the one least disturbed by other work on the machine.
    std::printf("%d sequential GetString requests per round, %d rounds\n", Requests, rounds);
    std::printf("                      median       best\n");
    std::printf("plain libcurl loop: %8.0f/s %8.0f/s\n", median(plain), best(plain));
    std::printf("THTTPGet:           %8.0f/s %8.0f/s\n", median(fetcher), best(fetcher));
    std::printf("ratio:              %8.2f   %8.2f   (target >= 0.80)\n", median(fetcher) / median(plain),
                best(fetcher) / best(plain));
    return 0;
}
