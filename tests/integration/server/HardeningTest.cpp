// The service as a peer on the internet would meet it: slow and idle
// connections, many connections from one address, oversized chunked bodies,
// floods of new clients and forged Host headers. Each test starts its own
// service on an address of its own and keeps its counts and times small.

#include "ServiceProcess.h"
#include "TestLibrary.h"
#include "XmlDom.h"

#include <httplib.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const TestLibrary::Tags kJaro{"Jaro", "Modrý Kámen", "Období", "Rock", 2, 1.0, "-b 64"};

// One service over a one-track library.
class Hardened {
public:
    Hardened(const std::string &address, std::vector<std::string> extra, int port = 80) : address_(address), port_(port)
    {
        music_ = dir_.filePath("music").toStdString();
        TestLibrary::makeMp3(music_, "Jaro.mp3", kJaro);
        std::vector<std::string> args{"--music", music_, "--database", db(), "--address", address};
        if (port != 80)
            args.insert(args.end(), {"--port", std::to_string(port)});
        args.insert(args.end(), extra.begin(), extra.end());
        service_.emplace(args, dir_.filePath("log").toStdString());
    }
    ::testing::AssertionResult up()
    {
        if (service_->waitUntilListening(address_, port_, 20s))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << service_->log();
    }
    httplib::Client client() const
    {
        httplib::Client c(address_, port_);
        c.set_url_encode(false);
        c.set_connection_timeout(3, 0);
        c.set_read_timeout(3, 0);
        return c;
    }
    std::string db() const { return dir_.filePath("db").toStdString(); }
    std::uintmax_t storeSize() const
    {
        std::uintmax_t total = 0;
        for (const char *suffix : {"", "-wal", "-shm"}) {
            std::error_code ec;
            const auto n = std::filesystem::file_size(db() + suffix, ec);
            total += ec ? 0 : n;
        }
        return total;
    }
    ServiceProcess &process() { return *service_; }

private:
    QTemporaryDir dir_;
    std::string music_;
    std::string address_;
    int port_;
    std::optional<ServiceProcess> service_;
};

// Connections closed when fds is destroyed.
struct Sockets {
    std::vector<int> fds;
    ~Sockets()
    {
        for (int fd : fds)
            ::close(fd);
    }
};

// True once the service has closed fd (after sending whatever it sends).
bool closedByPeer(int fd, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    char buffer[512];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
}

int kidOf(const std::string &body)
{
    const IXmlDocument doc = CreateXmlDocument();
    doc->LoadXML(std::string_view(body));
    return doc->DocumentElement() ? doc->DocumentElement()->GetIntAttr("kid") : 0;
}

} // namespace

TEST(ServiceHardening, SlowAndIdleConnectionsHoldNoWorker)
{
    const std::string address = "127.83.4.1";
    Hardened service(address, {"--threads", "2", "--request-timeout", "2", "--max-per-address", "0"});
    ASSERT_TRUE(service.up());

    // Far more connections than workers: half send nothing, half send a
    // request head a byte at a time, some of them after a quick first
    // request on the same connection.
    Sockets idle, slow;
    const std::string quick = "GET /engine/finder.php?find=jaro HTTP/1.1\r\nHost: x\r\n\r\n";
    for (int i = 0; i < 150; ++i) {
        idle.fds.push_back(connectTcp(address, 80));
        slow.fds.push_back(connectTcp(address, 80));
        ASSERT_GE(idle.fds.back(), 0);
        ASSERT_GE(slow.fds.back(), 0);
        if (i % 5 == 0) {
            ASSERT_EQ(::send(slow.fds.back(), quick.data(), quick.size(), MSG_NOSIGNAL), ssize_t(quick.size()));
            char reply[16] = {};
            ASSERT_EQ(::recv(slow.fds.back(), reply, 15, 0), 15);
            ASSERT_TRUE(std::string(reply).starts_with("HTTP/1.1 200")) << reply;
        }
    }
    std::atomic<bool> dripping{true};
    std::thread drip([&] {
        const std::string head = "GET /engine/finder.php?find=jaro HTTP/1.1\r\nHost: x\r\n";
        for (size_t i = 0; dripping && i < head.size(); ++i) {
            for (int fd : slow.fds)
                ::send(fd, &head[i], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            std::this_thread::sleep_for(100ms);
        }
    });

    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t)
        clients.emplace_back([&] {
            httplib::Client c = service.client();
            for (int i = 0; i < 5; ++i) {
                const auto res = c.Get("/engine/finder.php?find=jaro");
                if (res && res->status == 200 && res->body.find("Jaro") != std::string::npos)
                    ++answered;
            }
        });
    for (auto &c : clients)
        c.join();
    EXPECT_EQ(answered.load(), 20);

    // Neither kind outlives the request deadline by much.
    int closedIdle = 0, closedSlow = 0;
    for (int fd : idle.fds)
        closedIdle += closedByPeer(fd, 5s);
    for (int fd : slow.fds)
        closedSlow += closedByPeer(fd, 5s);
    dripping = false;
    drip.join();
    EXPECT_EQ(closedIdle, 150);
    EXPECT_EQ(closedSlow, 150);
    EXPECT_EQ(service.client().Get("/engine/finder.php?find=jaro")->status, 200);
}

TEST(ServiceHardening, ConnectionsPerAddressAreCapped)
{
    const std::string address = "127.83.4.2";
    Hardened service(address, {"--max-per-address", "3"});
    ASSERT_TRUE(service.up());

    Sockets held;
    for (int i = 0; i < 3; ++i)
        held.fds.push_back(connectTcp(address, 80, "127.0.0.5"));
    std::this_thread::sleep_for(200ms);
    Sockets extra;
    extra.fds.push_back(connectTcp(address, 80, "127.0.0.5"));
    ASSERT_GE(extra.fds[0], 0);
    EXPECT_TRUE(closedByPeer(extra.fds[0], 1500ms)) << "a fourth connection from one address is dropped";

    // Another address is served meanwhile, and the held ones still work.
    const std::string request = "GET /engine/finder.php?find=jaro HTTP/1.0\r\n\r\n";
    const int other = connectTcp(address, 80, "127.0.0.6");
    ASSERT_GE(other, 0);
    ::send(other, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[64] = {};
    EXPECT_GT(::recv(other, buffer, sizeof buffer - 1, 0), 0);
    EXPECT_TRUE(std::string(buffer).starts_with("HTTP/1.1 200")) << buffer;
    ::close(other);
    ::send(held.fds[0], request.data(), request.size(), MSG_NOSIGNAL);
    EXPECT_GT(::recv(held.fds[0], buffer, sizeof buffer - 1, 0), 0);

    // Once they close, the address may connect again.
    for (int &fd : held.fds) {
        ::close(fd);
        fd = -1;
    }
    held.fds.clear();
    bool servedAgain = false;
    for (int attempt = 0; attempt < 20 && !servedAgain; ++attempt) {
        std::this_thread::sleep_for(100ms);
        const int fd = connectTcp(address, 80, "127.0.0.5");
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        servedAgain = ::recv(fd, buffer, sizeof buffer - 1, 0) > 0;
        ::close(fd);
    }
    EXPECT_TRUE(servedAgain);
}

TEST(ServiceHardening, ChunkedBodiesAreCappedLikePlainOnes)
{
    const std::string address = "127.83.4.3";
    Hardened service(address, {});
    ASSERT_TRUE(service.up());

    // A small chunked body is read like a plain one.
    const std::string small = rawExchange(address, 80,
                                          "POST /engine/finder.php?find=jaro HTTP/1.1\r\nConnection: close\r\n"
                                          "Transfer-Encoding: chunked\r\n\r\n4\r\nKID=\r\n1\r\n1\r\n0\r\n\r\n",
                                          3s);
    EXPECT_TRUE(small.starts_with("HTTP/1.1 200")) << small;

    // 100 MB announced in chunks: refused long before it is sent whole.
    const int fd = connectTcp(address, 80);
    ASSERT_GE(fd, 0);
    const std::string head = "POST /engine/finder.php?find=jaro HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'a') + "\r\n";
    const std::uint64_t total = 100ull << 20;
    std::uint64_t sent = 0;
    size_t offset = 0;
    std::string reply;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (sent < total && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN | POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0)
            break;
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                reply.append(buffer, size_t(n));
            break;
        }
        const ssize_t n = ::send(fd, chunk.data() + offset, chunk.size() - offset, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += std::uint64_t(n);
        offset = (offset + size_t(n)) % chunk.size();
    }
    ::close(fd);
    EXPECT_TRUE(reply.starts_with("HTTP/1.1 413")) << reply;
    EXPECT_LT(sent, total / 4);
    EXPECT_EQ(service.client().Get("/engine/finder.php?find=jaro")->status, 200);
}

TEST(ServiceHardening, AFloodOfNewClientsGetsDistinctIdsAndLeavesTheStoreSmall)
{
    const std::string address = "127.83.4.4";
    Hardened service(address, {});
    ASSERT_TRUE(service.up());
    ASSERT_GT(kidOf(service.client().Get("/engine/update.php?verze=0.3&kid=-1")->body), 0);
    const auto before = service.storeSize();

    std::mutex mutex;
    std::vector<int> ids;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            httplib::Client c = service.client();
            std::vector<int> mine;
            for (int i = 0; i < 500; ++i) {
                const auto res = c.Get("/engine/update.php?verze=0.3&kid=-1");
                mine.push_back(res ? kidOf(res->body) : 0);
            }
            std::lock_guard lock(mutex);
            ids.insert(ids.end(), mine.begin(), mine.end());
        });
    for (auto &t : threads)
        t.join();
    const std::set<int> distinct(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), 2000u);
    EXPECT_GT(*distinct.begin(), 0);
    EXPECT_LT(service.storeSize() - before, 1024u * 1024u);
}

TEST(ServiceHardening, TrackUrlsNeverEchoAHostHeaderUnasked)
{
    const auto urlVia = [](Hardened &service, const std::string &host) {
        httplib::Client c = service.client();
        const auto found = c.Get("/engine/finder.php?find=jaro");
        EXPECT_TRUE(found);
        const IXmlDocument doc = CreateXmlDocument();
        doc->LoadXML(std::string_view(found->body));
        const std::string id = doc->DocumentElement()->ChildNodes()->Item(0)->Text();
        const auto res = c.Get("/engine/getmp3.php?act=play&id=" + id, {{"Host", host}});
        EXPECT_TRUE(res);
        const IXmlDocument reply = CreateXmlDocument();
        reply->LoadXML(std::string_view(res->body));
        return reply->DocumentElement()->ChildNodes()->Item(0)->Text();
    };
    {
        Hardened plain("127.83.4.5", {});
        ASSERT_TRUE(plain.up());
        EXPECT_TRUE(urlVia(plain, "evil.example").starts_with("http://127.83.4.5/files/"));
    }
    {
        // Listening on every address: the address this client reached.
        Hardened all("0.0.0.0", {}, 8123);
        ASSERT_TRUE(all.process().waitUntilListening("127.83.4.6", 8123, 20s)) << all.process().log();
        httplib::Client direct("127.83.4.6", 8123);
        const auto found = direct.Get("/engine/finder.php?find=jaro");
        ASSERT_TRUE(found);
        const IXmlDocument doc = CreateXmlDocument();
        doc->LoadXML(std::string_view(found->body));
        const std::string id = doc->DocumentElement()->ChildNodes()->Item(0)->Text();
        const auto res = direct.Get("/engine/getmp3.php?act=play&id=" + id, {{"Host", "evil.example"}});
        ASSERT_TRUE(res);
        EXPECT_NE(res->body.find("http://127.83.4.6:8123/files/"), std::string::npos) << res->body;
    }
    {
        Hardened trusting("127.83.4.7", {"--url-from-host"});
        ASSERT_TRUE(trusting.up());
        EXPECT_TRUE(urlVia(trusting, "music.lan").starts_with("http://music.lan/files/"));
    }
}

TEST(ServiceHardening, VersionAndHelpNeedNoLibrary)
{
    QTemporaryDir dir;
    const std::string log = dir.filePath("log").toStdString();
    ServiceProcess version({"--version"}, log);
    EXPECT_EQ(version.waitForExit(10s), 0);
    EXPECT_TRUE(version.log().starts_with("sonaro-service ")) << version.log();
    ServiceProcess help({"--help"}, dir.filePath("help").toStdString());
    EXPECT_EQ(help.waitForExit(10s), 0);
    EXPECT_NE(help.log().find("--request-timeout"), std::string::npos);
}
