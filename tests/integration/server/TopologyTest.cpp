// The production topology on real engines: a PostgreSQL cluster of the
// test's own, two service instances on one database, nginx in front with
// the shipped site file. Driven with the client's own request builders and
// reply readers. Skips when PostgreSQL or nginx is not installed.

#include "NginxFront.h"
#include "PostgresCluster.h"
#include "ServiceConstants.h"
#include "ServiceProcess.h"
#include "ServiceRequests.h"
#include "TFinderReply.h"
#include "TRateReply.h"
#include "TTrackReply.h"
#include "TUpdateReply.h"
#include "TestLibrary.h"

#include <httplib.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr const char *kFront = "127.83.6.1";
constexpr const char *kInstanceA = "127.83.6.2";
constexpr const char *kInstanceB = "127.83.6.3";
constexpr int kTracks = 6;

// The path and query of a request the client's builders address to the
// configured service.
std::string targetOf(const QByteArray &url)
{
    return url.toStdString().substr(ServiceBaseUrl.size() - 1);
}

httplib::Client clientOf(const std::string &address, int port)
{
    httplib::Client c(address, port);
    c.set_url_encode(false);
    c.set_connection_timeout(3, 0);
    c.set_read_timeout(5, 0);
    return c;
}

httplib::Result send(httplib::Client &c, const QByteArray &url, int kid = -1)
{
    if (kid < 0)
        return c.Get(targetOf(url));
    return c.Post(targetOf(url), "KID=" + std::to_string(kid), "application/x-www-form-urlencoded");
}

class TopologyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        cluster_ = new PostgresCluster;
        if (!cluster_->problem().empty())
            return;
        music_ = dir_->filePath("music").toStdString();
        for (int i = 0; i < kTracks; ++i)
            TestLibrary::makeMp3(music_, "Album/" + std::to_string(i) + " Píseň.mp3",
                                 {"Píseň " + std::to_string(i), "Modrý Kámen", "Období", "Rock", i + 1, 1.0, "-b 64"});
        url_ = cluster_->createDatabase("sonaro");
        frontPort_ = freePort(kFront);
        // Both start at once: one migrates and scans first, the other waits.
        for (const char *address : {kInstanceA, kInstanceB}) {
            instances_.push_back(new ServiceProcess(
                {"--music", music_, "--database", url_, "--address", address, "--max-per-address", "0",
                 "--public-url", "http://" + std::string(kFront) + ":" + std::to_string(frontPort_) + "/",
                 "--accel-prefix", "/sonaro-music/"},
                dir_->filePath(QString("log-") + address).toStdString()));
        }
        for (size_t i = 0; i < instances_.size(); ++i)
            if (!instances_[i]->waitUntilListening(i == 0 ? kInstanceA : kInstanceB, 80, 30s))
                problem_ = "an instance did not start: " + instances_[i]->log();
        front_ = new NginxFront(kFront, frontPort_,
                                {std::string(kInstanceA) + ":80", std::string(kInstanceB) + ":80"}, music_,
                                dir_->filePath("nginx").toStdString());
    }
    static void TearDownTestSuite()
    {
        delete front_;
        for (ServiceProcess *p : instances_)
            delete p;
        instances_.clear();
        delete cluster_;
        delete dir_;
    }
    void SetUp() override
    {
        if (cluster_->missing())
            GTEST_SKIP() << cluster_->problem();
        ASSERT_EQ(cluster_->problem(), "");
        ASSERT_EQ(problem_, "");
        ASSERT_NE(front_, nullptr);
        if (front_->missing())
            GTEST_SKIP() << front_->problem();
        ASSERT_EQ(front_->problem(), "");
    }

    static httplib::Client front() { return clientOf(kFront, frontPort_); }

    static inline QTemporaryDir *dir_ = nullptr;
    static inline PostgresCluster *cluster_ = nullptr;
    static inline std::vector<ServiceProcess *> instances_;
    static inline NginxFront *front_ = nullptr;
    static inline std::string music_, url_, problem_;
    static inline int frontPort_ = 0;
};

} // namespace

TEST_F(TopologyTest, BothInstancesScannedOneLibraryWithoutDoubles)
{
    EXPECT_EQ(cluster_->scalar("sonaro", "SELECT count(*) FROM tracks"), std::to_string(kTracks));
    EXPECT_EQ(cluster_->scalar("sonaro", "SELECT max(version) FROM schema_migrations"),
              cluster_->scalar("sonaro", "SELECT count(*) FROM schema_migrations"));
    std::vector<std::string> idsA, idsB;
    for (const char *address : {kInstanceA, kInstanceB}) {
        httplib::Client c = clientOf(address, 80);
        const auto found = TFinderReply::Read(send(c, ServiceRequests::Search("pisen"))->body);
        ASSERT_TRUE(found);
        auto &ids = address == kInstanceA ? idsA : idsB;
        for (const auto &r : found->records)
            ids.push_back(r.id);
    }
    EXPECT_EQ(idsA.size(), size_t(kTracks));
    EXPECT_EQ(idsA, idsB);
}

TEST_F(TopologyTest, ConcurrentNewClientsOnBothInstancesGetDistinctIds)
{
    std::mutex mutex;
    std::vector<std::int64_t> ids;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (const char *address : {kInstanceA, kInstanceB})
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, address] {
                httplib::Client c = clientOf(address, 80);
                std::vector<std::int64_t> mine;
                for (int i = 0; i < 250; ++i) {
                    const auto res = send(c, ServiceRequests::Update(-1));
                    if (!res) {
                        ++failures;
                        continue;
                    }
                    const auto reply = TUpdateReply::Read(res->body);
                    if (reply)
                        mine.push_back(reply->clientId);
                    else
                        ++failures;
                }
                std::lock_guard lock(mutex);
                ids.insert(ids.end(), mine.begin(), mine.end());
            });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    const std::set<std::int64_t> distinct(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), 2000u);
    EXPECT_EQ(distinct.size(), 2000u);
    EXPECT_GT(*distinct.begin(), 0);
    // No client row was stored for IDs nobody used.
    EXPECT_EQ(cluster_->scalar("sonaro", "SELECT count(*) FROM clients"), "0");
}

TEST_F(TopologyTest, ARatingThroughOneInstanceIsReadBackThroughTheOther)
{
    httplib::Client a = clientOf(kInstanceA, 80), b = clientOf(kInstanceB, 80);
    const auto update = TUpdateReply::Read(send(b, ServiceRequests::Update(-1))->body);
    ASSERT_TRUE(update);
    const int kid = int(update->clientId);  // given out by B, used at A
    const auto before = TFinderReply::Read(send(b, ServiceRequests::Search("pisen 3"), kid)->body);
    ASSERT_TRUE(before);
    ASSERT_EQ(before->records.size(), 1u);
    EXPECT_TRUE(before->records[0].canRate());
    const std::string id = before->records[0].id;

    const auto rated = TRateReply::Read(send(a, ServiceRequests::Rate(4, id.c_str()), kid)->body);
    ASSERT_TRUE(rated);
    EXPECT_EQ(rated->rating, "4");
    // At once, without a rescan or restart of B.
    const auto after = TFinderReply::Read(send(b, ServiceRequests::Search("pisen 3"), kid)->body);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->records.at(0).rating, "4");
    EXPECT_FALSE(after->records.at(0).canRate());
    // A second rating of the same client through B keeps the first.
    const auto again = TRateReply::Read(send(b, ServiceRequests::Rate(1, id.c_str()), kid)->body);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rating, "4");
    EXPECT_EQ(cluster_->scalar("sonaro", "SELECT count(*) FROM ratings"), "1");
}

TEST_F(TopologyTest, NginxSendsTheFilesItself)
{
    httplib::Client c = front();
    const auto found = TFinderReply::Read(send(c, ServiceRequests::Search("pisen 2"))->body);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->records.size(), 1u);
    const auto track = TTrackReply::Read(send(c, ServiceRequests::Download(found->records[0].id.c_str()))->body);
    ASSERT_TRUE(track);
    const std::string base = "http://" + std::string(kFront) + ":" + std::to_string(frontPort_);
    ASSERT_TRUE(track->url.starts_with(base + "/files/")) << track->url;
    const std::string path = track->url.substr(base.size());
    const std::string file = TestLibrary::readFile(music_ + "/Album/2 Píseň.mp3");

    const auto whole = c.Get(path);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->get_header_value("Content-Type"), "audio/mpeg");
    EXPECT_TRUE(whole->body == file);
    EXPECT_FALSE(whole->has_header("X-Accel-Redirect"));
    const auto part = c.Get(path, {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_TRUE(part->body == file.substr(100, 100));
    // The internal location is not reachable from outside.
    EXPECT_EQ(c.Get("/sonaro-music/Album/2%20P%C3%ADse%C5%88.mp3")->status, 404);
}

TEST_F(TopologyTest, SlowConnectionsDirectAndThroughNginxHoldNoOneUp)
{
    const std::string frontAddress = kFront;
    std::vector<int> slow;
    for (int i = 0; i < 250; ++i) {
        slow.push_back(connectTcp(kInstanceB, 80));
        slow.push_back(connectTcp(frontAddress, frontPort_));
    }
    for (int fd : slow)
        ASSERT_GE(fd, 0);
    std::atomic<bool> dripping{true};
    std::thread drip([&] {
        const std::string head = "GET /engine/finder.php?find=pisen HTTP/1.1\r\nHost: x\r\n";
        for (size_t i = 0; dripping && i < head.size(); ++i) {
            for (int fd : slow)
                ::send(fd, &head[i], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            std::this_thread::sleep_for(100ms);
        }
    });
    std::this_thread::sleep_for(300ms);
    int answered = 0;
    httplib::Client direct = clientOf(kInstanceB, 80), proxied = front();
    for (int i = 0; i < 20; ++i) {
        for (httplib::Client *c : {&direct, &proxied}) {
            const auto found = TFinderReply::Read(send(*c, ServiceRequests::Search("pisen"))->body);
            answered += found && found->records.size() == size_t(kTracks);
        }
    }
    dripping = false;
    drip.join();
    for (int fd : slow)
        ::close(fd);
    EXPECT_EQ(answered, 40);
}

// Last: it leaves one instance.
TEST_F(TopologyTest, KillingAnInstanceLosesNoRequestNginxCanRetry)
{
    std::atomic<bool> running{true};
    std::atomic<int> answered{0}, failed{0};
    std::mutex mutex;
    std::string failures;
    std::vector<std::thread> load;
    for (int t = 0; t < 4; ++t)
        load.emplace_back([&, t] {
            httplib::Client c = front();
            for (int i = 0; running; ++i) {
                const bool search = (i + t) % 2 == 0;
                const auto res = send(c, search ? ServiceRequests::Search("pisen") : ServiceRequests::Update(-1));
                const bool ok = res && res->status == 200
                                && (search ? bool(TFinderReply::Read(res->body)) : bool(TUpdateReply::Read(res->body)));
                ++(ok ? answered : failed);
                if (!ok) {
                    std::lock_guard lock(mutex);
                    failures += (res ? "status " + std::to_string(res->status) + ": " + res->body.substr(0, 200)
                                     : "error " + httplib::to_string(res.error()))
                                + "\n";
                }
            }
        });
    std::this_thread::sleep_for(500ms);
    const int beforeKill = answered.load();
    instances_[0]->kill();
    std::this_thread::sleep_for(1500ms);
    running = false;
    for (auto &t : load)
        t.join();
    EXPECT_EQ(failed.load(), 0) << failures << front_->log();
    EXPECT_GT(beforeKill, 0);
    EXPECT_GT(answered.load(), beforeKill);
    // The other instance goes on alone.
    httplib::Client b = clientOf(kInstanceB, 80);
    EXPECT_TRUE(TUpdateReply::Read(send(b, ServiceRequests::Update(-1))->body));
}
