#include "ServiceConstants.h"
#include "LibraryScanner.h"
#include "ServiceProcess.h"
#include "ServiceRequests.h"
#include "TFinderReply.h"
#include "TRateReply.h"
#include "TTrackReply.h"
#include "TUpdateReply.h"
#include "TestLibrary.h"
#include "Windows1250.h"
#include "XmlDom.h"

#include <httplib.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A reply read with the client's own XML model.
struct Reply {
    IXmlDocument doc;
    IXmlElement root;
    std::vector<IXmlElement> records;

    std::string data() const { return root ? root->GetAttr("data") : std::string(); }
    const IXmlElement &record(size_t i) const { return records.at(i); }
};

Reply parse(const std::string &body)
{
    Reply r;
    r.doc = CreateXmlDocument();
    r.doc->LoadXML(std::string_view(body));
    r.root = r.doc->DocumentElement();
    if (r.root) {
        const IXmlNodeList children = r.root->ChildNodes();
        for (int i = 0; i < children->Count(); ++i) {
            auto element = std::dynamic_pointer_cast<TXmlElement>(children->Item(i));
            EXPECT_TRUE(element) << "child " << i << " is no element";
            if (element)
                r.records.push_back(element);
        }
    }
    return r;
}

std::string w1250(const char *utf8)
{
    return Windows1250::fromUtf8(utf8);
}

const TestLibrary::Tags kKun{"Žluťoučký kůň", "Šárka Dvořáková", "Noční město", "Jazz", 1, 1.5, "-b 128"};
const TestLibrary::Tags kJaro{"Jaro", "Modrý Kámen", "Období", "Rock", 2, 1.5, "-b 64"};
const TestLibrary::Tags kPisen{"Píseň <o> řece & dál", "Kvartet \"Ořech\"", "Období", "Ambient", 3, 2.5, "-V 4"};

// One service for the whole suite, on an address of its own.
class ServiceTest : public ::testing::Test {
protected:
    static constexpr const char *kAddress = "127.83.1.1";

    static void SetUpTestSuite()
    {
        ASSERT_TRUE(rawExchange(kAddress, 80, "", 100ms).empty()) << "something already listens on " << kAddress;
        dir_ = new QTemporaryDir;
        music_ = dir_->filePath("music").toStdString();
        TestLibrary::makeMp3(music_, "Šárka Dvořáková/Noční město/01 Žluťoučký kůň.mp3", kKun);
        TestLibrary::makeMp3(music_, "Jaro.MP3", kJaro);
        TestLibrary::makeMp3(music_, "Kvartet/Píseň.mp3", kPisen);
        std::ofstream(music_ + "/broken.mp3") << "this is no mp3";
        std::ofstream(music_ + "/notes.txt") << "not music";
        service_ = new ServiceProcess({"--music", music_, "--database", dir_->filePath("db").toStdString(),
                                       "--address", kAddress, "--latest-version", "0.4", "--latest-size",
                                       "3670016", "--message", "Údržba <dnes> & zítra"},
                                      dir_->filePath("log").toStdString());
        ASSERT_TRUE(service_->waitUntilListening(kAddress, 80, 20s)) << service_->log();
    }
    static void TearDownTestSuite()
    {
        delete service_;
        delete dir_;
    }

    static httplib::Client client()
    {
        httplib::Client c(kAddress, 80);
        c.set_url_encode(false);
        c.set_read_timeout(10, 0);
        return c;
    }
    static httplib::Result get(const std::string &target) { return client().Get(target); }
    static httplib::Result post(const std::string &target, std::int64_t kid)
    {
        return client().Post(target, "KID=" + std::to_string(kid), "application/x-www-form-urlencoded");
    }
    static std::int64_t newClientId()
    {
        const auto res = get("/engine/update.php?verze=0.3&kid=-1");
        EXPECT_TRUE(res);
        return res ? std::stoll(parse(res->body).root->GetAttr("kid")) : -1;
    }
    // The track ID of the only hit of a search.
    static std::string idOf(const std::string &query)
    {
        const auto res = get("/engine/finder.php?find=" + query);
        EXPECT_TRUE(res);
        const Reply r = parse(res->body);
        EXPECT_EQ(r.records.size(), 1u) << query;
        return r.records.empty() ? std::string() : r.records[0]->Text();
    }

    static inline QTemporaryDir *dir_ = nullptr;
    static inline ServiceProcess *service_ = nullptr;
    static inline std::string music_;
};

TEST_F(ServiceTest, UpdateGivesNewClientsAnIdAndKeepsKnownOnes)
{
    const auto first = get("/engine/update.php?verze=0.3&kid=-1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    const Reply r = parse(first->body);
    EXPECT_EQ(r.data(), "updater");
    const int kid = r.root->GetIntAttr("kid");
    EXPECT_GT(kid, 0);
    EXPECT_EQ(r.root->GetAttr("newver"), "ano");
    EXPECT_EQ(r.root->GetAttr("verze"), "0.4");
    EXPECT_EQ(r.root->GetAttr("velikost"), "3670016");
    EXPECT_EQ(r.root->GetAttr("jezprava"), "ano");
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.record(0)->Text(), "3");  // broken.mp3 and notes.txt are no tracks
    EXPECT_EQ(r.record(1)->Text(), w1250("Údržba <dnes> & zítra"));

    // Known: kept. Unknown, garbage or missing: a fresh one.
    const auto again = get("/engine/update.php?verze=0.4&kid=" + std::to_string(kid));
    const Reply a = parse(again->body);
    EXPECT_EQ(a.root->GetIntAttr("kid"), kid);
    EXPECT_EQ(a.root->GetAttr("newver"), "ne");  // already the newest
    std::set<int> ids{kid};
    for (const char *query : {"verze=0.3&kid=999999", "verze=0.3&kid=abc", "verze=0.3", "", "kid=-1"}) {
        const auto res = get(std::string("/engine/update.php?") + query);
        ASSERT_TRUE(res) << query;
        const Reply u = parse(res->body);
        EXPECT_EQ(u.data(), "updater") << query;
        EXPECT_TRUE(ids.insert(u.root->GetIntAttr("kid")).second) << query;
    }
}

TEST_F(ServiceTest, FinderSpeaksWindows1250AndFoldsAccents)
{
    // "žluťo" typed in Windows-1250 and escaped by the client.
    const auto res = get("/engine/finder.php?find=%9Elu%9Do");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->get_header_value("Content-Type").find("windows-1250"), std::string::npos);
    // The bytes on the wire, not UTF-8.
    EXPECT_NE(res->body.find(w1250("jmeno=\"Žluťoučký kůň\"")), std::string::npos) << res->body;
    EXPECT_EQ(res->body.find("\xC5\xBD"), std::string::npos);  // UTF-8 of Ž
    const Reply r = parse(res->body);
    EXPECT_EQ(r.data(), "finder");
    ASSERT_EQ(r.records.size(), 1u);
    const IXmlElement &rec = r.record(0);
    EXPECT_EQ(rec->GetAttr("interpret"), w1250("Šárka Dvořáková"));
    EXPECT_EQ(rec->GetAttr("album"), w1250("Noční město"));
    EXPECT_EQ(rec->GetAttr("zanr"), "Jazz");
    EXPECT_EQ(rec->GetAttr("cas"), "0:01");
    EXPECT_EQ(rec->GetAttr("cislo"), "1");
    EXPECT_EQ(rec->GetAttr("hodnoceni"), "");
    EXPECT_TRUE(std::regex_match(rec->GetAttr("bitrate"), std::regex("12[0-9]|13[0-9]"))) << rec->GetAttr("bitrate");
    EXPECT_TRUE(std::regex_match(rec->GetAttr("velikost"), std::regex("[0-9]+(,[0-9])? kB")))
        << rec->GetAttr("velikost");
    EXPECT_FALSE(rec->Text().empty());
    EXPECT_EQ(rec->GetAttr("hodmuzu"), "false");  // a GET carries no client ID

    // Capitals without accents, two words across artist and album; markup in tags escaped.
    EXPECT_EQ(parse(get("/engine/finder.php?find=SARKA+MESTO")->body).records.size(), 1u);
    const Reply p = parse(get("/engine/finder.php?find=%3Co%3E%20%26%20d%E1l")->body);
    ASSERT_EQ(p.records.size(), 1u);
    EXPECT_EQ(p.record(0)->GetAttr("jmeno"), w1250("Píseň <o> řece & dál"));
    EXPECT_EQ(p.record(0)->GetAttr("interpret"), w1250("Kvartet \"Ořech\""));
    // An ampersand the client did not escape still belongs to the search text:
    // "období&jaro" is two words, not "období" and a stray query item.
    EXPECT_EQ(parse(get("/engine/finder.php?find=obdob%ED&jaro")->body).records.size(), 1u);
}

TEST_F(ServiceTest, FinderBitrateFiltersOrderAndEmptyResults)
{
    const auto titles = [](const std::string &query) {
        std::vector<std::string> out;
        for (const IXmlElement &rec : parse(get("/engine/finder.php?find=" + query)->body).records)
            out.push_back(Windows1250::toUtf8(rec->GetAttr("jmeno")));
        return out;
    };
    EXPECT_EQ(titles("kbs:64"), std::vector<std::string>{"Jaro"});
    EXPECT_EQ(titles("kbs%3C100"), std::vector<std::string>{"Jaro"});
    // (the VBR track averages about 100 kbit/s)
    EXPECT_EQ(titles("kbs%3E120+kbs%3C150"), std::vector<std::string>{"Žluťoučký kůň"});
    // Stable order: artist, then album.
    EXPECT_EQ(titles("obdob%ED"), (std::vector<std::string>{"Píseň <o> řece & dál", "Jaro"}));
    EXPECT_TRUE(titles("nic-takoveho").empty());
    EXPECT_TRUE(titles("").empty());

    // No search text at all: a reply the client ignores, not a crash.
    const auto missing = get("/engine/finder.php");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 400);
    EXPECT_NE(parse(missing->body).data(), "finder");
}

TEST_F(ServiceTest, RatingByClientIdChangesPermissionAndAverage)
{
    const std::int64_t alice = newClientId();
    const std::int64_t bob = newClientId();
    const std::string id = idOf("jaro");
    const auto jaro = [&](std::int64_t kid) {
        const auto res = post("/engine/finder.php?find=jaro", kid);
        return parse(res->body).record(0);
    };
    EXPECT_EQ(jaro(alice)->GetAttr("hodmuzu"), "true");

    // A GET rating (no client ID) is not counted.
    const Reply anonymous = parse(get("/engine/hodnot.php?body=1&id=" + id)->body);
    EXPECT_EQ(anonymous.data(), "hodnot");
    EXPECT_EQ(anonymous.record(0)->Text(), "");

    const Reply first = parse(post("/engine/hodnot.php?body=4&id=" + id, alice)->body);
    EXPECT_EQ(first.data(), "hodnot");
    ASSERT_EQ(first.records.size(), 1u);
    EXPECT_EQ(first.record(0)->Text(), "4");
    EXPECT_EQ(jaro(alice)->GetAttr("hodmuzu"), "false");
    EXPECT_EQ(jaro(alice)->GetAttr("hodnoceni"), "4");
    EXPECT_EQ(jaro(bob)->GetAttr("hodmuzu"), "true");

    EXPECT_EQ(parse(post("/engine/hodnot.php?body=5&id=" + id, bob)->body).record(0)->Text(), "4,5");
    // Rating twice keeps the first rating.
    EXPECT_EQ(parse(post("/engine/hodnot.php?body=1&id=" + id, alice)->body).record(0)->Text(), "4,5");
    // An ID the service never gave out cannot rate.
    EXPECT_EQ(parse(post("/engine/hodnot.php?body=1&id=" + id, 987654)->body).record(0)->Text(), "4,5");
    EXPECT_EQ(jaro(987654)->GetAttr("hodmuzu"), "false");

    for (const char *bad : {"body=0&id=", "body=6&id=", "body=x&id=", "id=", "body=3&id=abc"}) {
        const std::string target = std::string("/engine/hodnot.php?") + bad + (std::string(bad).back() == '=' ? id : "");
        const auto res = post(target, alice);
        ASSERT_TRUE(res) << bad;
        EXPECT_EQ(res->status, 400) << bad;
        EXPECT_NE(parse(res->body).data(), "hodnot") << bad;
    }
    const auto unknown = post("/engine/hodnot.php?body=3&id=999999", alice);
    EXPECT_EQ(unknown->status, 404);
    EXPECT_NE(parse(unknown->body).data(), "hodnot");
}

TEST_F(ServiceTest, TrackRepliesNameAFileUrlThatServesTheFile)
{
    const std::string id = idOf("%9Elu%9Do");
    const std::string file = TestLibrary::readFile(music_ + "/Šárka Dvořáková/Noční město/01 Žluťoučký kůň.mp3");
    ASSERT_GT(file.size(), 1000u);

    for (const char *action : {"play", "down", "add"}) {
        const Reply r = parse(post(std::string("/engine/getmp3.php?act=") + action + "&id=" + id, 1)->body);
        EXPECT_EQ(r.data(), "getmp3");
        EXPECT_EQ(r.root->GetAttr("action"), action);
        EXPECT_FALSE(r.root->HasAttr("kam"));
        ASSERT_EQ(r.records.size(), 1u);
        EXPECT_EQ(r.record(0)->GetAttr("jmeno"), w1250("Žluťoučký kůň"));
        EXPECT_EQ(r.record(0)->GetAttr("interpret"), w1250("Šárka Dvořáková"));
        EXPECT_EQ(r.record(0)->GetAttr("album"), w1250("Noční město"));
        EXPECT_EQ(r.record(0)->GetAttr("cas"), "0:01");
        EXPECT_EQ(r.record(0)->GetAttr("id"), id);
        EXPECT_EQ(r.record(0)->Text(),
                  "http://127.83.1.1/files/" + id + "/01%20%C5%BDlu%C5%A5ou%C4%8Dk%C3%BD%20k%C5%AF%C5%88.mp3");
    }
    EXPECT_EQ(parse(get("/engine/getmp3.php?act=add&id=" + id + "&kam=2")->body).root->GetIntAttr("kam"), 2);
    // The client reads kam as a number: anything else is not sent back.
    for (const char *kam : {"abc", "-1", "99999999999", ""})
        EXPECT_FALSE(parse(get("/engine/getmp3.php?act=add&id=" + id + "&kam=" + kam)->body).root->HasAttr("kam"))
            << kam;
    // A file called ".MP3" is still offered under ".mp3".
    const std::string jaroUrl = parse(get("/engine/getmp3.php?act=play&id=" + idOf("jaro"))->body).record(0)->Text();
    EXPECT_TRUE(jaroUrl.ends_with("/Jaro.mp3")) << jaroUrl;

    const std::string path = "/files/" + id + "/any-name.mp3";
    const auto whole = get(path);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->get_header_value("Content-Length"), std::to_string(file.size()));
    EXPECT_EQ(whole->get_header_value("Content-Type"), "audio/mpeg");
    EXPECT_TRUE(whole->body == file);

    const auto part = client().Get(path, {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 100-199/" + std::to_string(file.size()));
    EXPECT_TRUE(part->body == file.substr(100, 100));
    const auto tail = client().Get(path, {{"Range", "bytes=-50"}});
    EXPECT_EQ(tail->status, 206);
    EXPECT_TRUE(tail->body == file.substr(file.size() - 50));
    const auto rest = client().Get(path, {{"Range", "bytes=" + std::to_string(file.size() - 10) + "-"}});
    EXPECT_EQ(rest->status, 206);
    EXPECT_TRUE(rest->body == file.substr(file.size() - 10));
    // An end past the file is cut to it; a start past it cannot be served.
    const auto over = client().Get(path, {{"Range", "bytes=" + std::to_string(file.size() - 5) + "-99999999"}});
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 206);
    EXPECT_TRUE(over->body == file.substr(file.size() - 5));
    const std::string beyond = rawExchange(kAddress, 80, "GET " + path + " HTTP/1.0\r\nRange: bytes="
                                                             + std::to_string(file.size() + 10) + "-\r\n\r\n");
    EXPECT_TRUE(beyond.starts_with("HTTP/1.1 416")) << beyond;
    EXPECT_NE(beyond.find("Content-Range: bytes */" + std::to_string(file.size())), std::string::npos) << beyond;
    EXPECT_EQ(beyond.find("Content-Length: 1844"), std::string::npos) << beyond;
}

TEST_F(ServiceTest, UnknownIdsAndRequestPathsNeverReachTheFileSystem)
{
    EXPECT_EQ(get("/engine/getmp3.php?act=play&id=999999")->status, 404);
    EXPECT_NE(parse(get("/engine/getmp3.php?act=play&id=999999")->body).data(), "getmp3");
    for (const char *bad : {"act=play", "act=play&id=", "act=play&id=1x", "act=stream&id=1", "id=1", ""}) {
        const auto res = get(std::string("/engine/getmp3.php?") + bad);
        ASSERT_TRUE(res) << bad;
        EXPECT_EQ(res->status, 400) << bad;
        EXPECT_NE(parse(res->body).data(), "getmp3") << bad;
    }
    EXPECT_EQ(get("/files/999999/x.mp3")->status, 404);
    EXPECT_EQ(get("/files/abc/x.mp3")->status, 404);
    EXPECT_EQ(get("/files/../../etc/passwd")->status, 404);
    EXPECT_EQ(get("/files/%2e%2e/%2e%2e/etc/passwd")->status, 404);
    // Whatever follows the ID, the track's own file is what comes back.
    const std::string id = idOf("jaro");
    const auto res = get("/files/" + id + "/..%2F..%2F..%2Fetc%2Fpasswd");
    ASSERT_TRUE(res);
    EXPECT_TRUE(res->body == TestLibrary::readFile(music_ + "/Jaro.MP3"));

    const Reply up = parse(get("/engine/up_data.php")->body);
    EXPECT_TRUE(up.root);
    EXPECT_TRUE(up.records.empty());
    EXPECT_EQ(get("/engine/nothing.php")->status, 404);
}

TEST_F(ServiceTest, RawHttp10AndHostileRequestsGetAnAnswer)
{
    // The client's fetcher speaks HTTP/1.0 and posts its ID.
    const std::string reply = rawExchange(kAddress, 80,
                                          "POST /engine/finder.php?find=jaro HTTP/1.0\r\n"
                                          "User-Agent: Sonaro Client\r\nAccept: */*\r\n"
                                          "Content-Type: application/x-www-form-urlencoded\r\n"
                                          "Content-Length: 5\r\n\r\nKID=1");
    ASSERT_FALSE(reply.empty());
    EXPECT_TRUE(reply.starts_with("HTTP/1.")) << reply;
    EXPECT_NE(reply.find(" 200 "), std::string::npos);
    const std::string body = reply.substr(reply.find("\r\n\r\n") + 4);
    EXPECT_EQ(parse(body).records.size(), 1u);

    // Garbage, a huge body, an endless request line: an error status at once,
    // and the service lives on.
    EXPECT_NE(rawExchange(kAddress, 80, "\x01\x02garbage\r\n\r\n", 1500ms).find(" 400 "), std::string::npos);
    // A body announced too big is refused unread.
    const std::string huge = "POST /engine/finder.php?find=a HTTP/1.1\r\nConnection: close\r\n"
                             "Content-Length: 100000000\r\n\r\nKID=";
    EXPECT_NE(rawExchange(kAddress, 80, huge, 8s).find(" 413 "), std::string::npos);
    const std::string longLine = "GET /engine/finder.php?find=" + std::string(20000, 'a') + " HTTP/1.0\r\n\r\n";
    EXPECT_NE(rawExchange(kAddress, 80, longLine, 1500ms).find(" 414 "), std::string::npos);
    EXPECT_EQ(get("/engine/finder.php?find=jaro")->status, 200);
}

TEST_F(ServiceTest, StalledClientsHoldNoOneElseUp)
{
    // A few connections that send half a request and then nothing.
    std::vector<std::thread> stalled;
    for (int i = 0; i < 3; ++i)
        stalled.emplace_back([] { rawExchange(kAddress, 80, "GET /engine/finder.php?find=ja", 3s); });
    std::this_thread::sleep_for(200ms);

    std::atomic<int> ok{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                const auto res = get("/engine/finder.php?find=obdob%ED");
                if (res && res->status == 200 && parse(res->body).records.size() == 2)
                    ++ok;
            }
        });
    for (auto &w : workers)
        w.join();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(ok.load(), 40);
    EXPECT_LT(elapsed, 2500ms);  // well before the stalled ones time out
    for (auto &s : stalled)
        s.join();
}

// The client's own request builders and reply readers against the service.
TEST_F(ServiceTest, TheClientsProtocolCodeUnderstandsEveryReply)
{
    // The builders address the configured service; send their path and query here.
    const auto send = [](const QByteArray &url, std::optional<int> kid) {
        const std::string target = url.toStdString().substr(ServiceBaseUrl.size() - 1);
        return kid ? post(target, *kid) : get(target);
    };
    const auto update = TUpdateReply::Read(send(ServiceRequests::Update(-1), std::nullopt)->body);
    ASSERT_TRUE(update);
    EXPECT_GT(update->clientId, 0);
    EXPECT_TRUE(update->newVersion);
    EXPECT_EQ(update->size, 3670016);
    EXPECT_TRUE(update->hasMessage);
    EXPECT_EQ(update->databaseCount, "3");
    const int kid = update->clientId;

    // "& dál" exercises the client's escaping of '&' and accents.
    const auto found = TFinderReply::Read(send(ServiceRequests::Search(w1250("řece & dál").c_str()), kid)->body);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->records.size(), 1u);
    const TFinderReply::Record &rec = found->records[0];
    EXPECT_EQ(rec.name, w1250("Píseň <o> řece & dál"));
    EXPECT_TRUE(rec.canRate());

    const auto added = TTrackReply::Read(send(ServiceRequests::Add(rec.id.c_str(), 0), kid)->body);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->action, TTrackAction::taAdd);
    EXPECT_EQ(added->insertAt, 0);
    EXPECT_EQ(added->id, rec.id);
    EXPECT_EQ(added->length, rec.length);
    const auto file = get(added->url.substr(std::string("http://").size() + std::strlen(kAddress)));
    EXPECT_TRUE(file && file->body == TestLibrary::readFile(music_ + "/Kvartet/Píseň.mp3"));

    const auto rated = TRateReply::Read(send(ServiceRequests::Rate(3, rec.id.c_str()), kid)->body);
    ASSERT_TRUE(rated);
    EXPECT_EQ(rated->rating, "3");
    const auto again = TFinderReply::Read(send(ServiceRequests::Search("dal"), kid)->body);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->records.at(0).canRate());
}

// The library changes between runs of the service.
TEST(ServiceRestart, RescanPicksUpNewChangedAndRemovedFilesAndKeepsIds)
{
    const std::string address = "127.83.1.2";
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    const std::string db = dir.filePath("db").toStdString();
    const std::string log = dir.filePath("log").toStdString();
    TestLibrary::makeMp3(music, "a/Jaro.mp3", kJaro);
    TestLibrary::makeMp3(music, "b/Kůň.mp3", kKun);

    httplib::Client c(address, 80);
    c.set_url_encode(false);
    const auto find = [&](const std::string &q) { return parse(c.Get("/engine/finder.php?find=" + q)->body); };
    std::string jaroId, kunId, kid;
    {
        ServiceProcess service({"--music", music, "--database", db, "--address", address}, log);
        ASSERT_TRUE(service.waitUntilListening(address, 80, 20s)) << service.log();
        jaroId = find("jaro").record(0)->Text();
        kunId = find("kun").record(0)->Text();
        kid = parse(c.Get("/engine/update.php?verze=0.3&kid=-1")->body).root->GetAttr("kid");
        c.Post("/engine/hodnot.php?body=2&id=" + jaroId, "KID=" + kid, "application/x-www-form-urlencoded");
    }
    fs::remove(music + "/b/Kůň.mp3");
    TestLibrary::makeMp3(music, "c/Léto.mp3", {"Léto", "Šárka", "Období", "Pop", 2, 1.0, "-b 96"});
    TestLibrary::Tags retagged = kJaro;
    retagged.title = "Jaro (nové)";
    retagged.seconds = 2.5;
    TestLibrary::makeMp3(music, "a/Jaro.mp3", retagged);
    {
        ServiceProcess service({"--music", music, "--database", db, "--address", address, "--rescan", "1"}, log);
        ASSERT_TRUE(service.waitUntilListening(address, 80, 20s)) << service.log();
        const Reply u = parse(c.Get("/engine/update.php?verze=0.3&kid=" + kid)->body);
        EXPECT_EQ(u.root->GetAttr("kid"), kid);  // the client ID survived the restart
        EXPECT_EQ(u.record(0)->Text(), "2");
        const Reply jaro = find("jaro");
        ASSERT_EQ(jaro.records.size(), 1u);
        EXPECT_EQ(jaro.record(0)->Text(), jaroId);  // changed file, same ID
        EXPECT_EQ(jaro.record(0)->GetAttr("jmeno"), w1250("Jaro (nové)"));
        EXPECT_EQ(jaro.record(0)->GetAttr("cas"), "0:02");
        EXPECT_EQ(jaro.record(0)->GetAttr("hodnoceni"), "2");  // and its rating
        EXPECT_TRUE(find("kun").records.empty());
        EXPECT_EQ(c.Get("/engine/getmp3.php?act=play&id=" + kunId)->status, 404);
        EXPECT_EQ(c.Get("/files/" + kunId + "/x.mp3")->status, 404);
        const Reply leto = find("leto");
        ASSERT_EQ(leto.records.size(), 1u);
        EXPECT_NE(leto.record(0)->Text(), kunId);  // a removed ID is not handed out again
        EXPECT_NE(service.log().find("1 new, 1 changed, 1 removed"), std::string::npos) << service.log();

        // While it runs, the periodic rescan finds a new file.
        TestLibrary::makeMp3(music, "d/Zima.mp3", {"Zima", "Šárka", "Období", "Pop", 4, 1.0, "-b 96"});
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (find("zima").records.empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(100ms);
        EXPECT_EQ(find("zima").records.size(), 1u) << service.log();
        EXPECT_EQ(find("jaro").record(0)->Text(), jaroId);
    }
}

TEST(TagText, Latin1FieldsCanBeReadAsWindows1250)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("old.mp3").toStdString();
    TestLibrary::makeMp3WithId3v1(path, w1250("Příliš žluťoučký"), w1250("Šárka"));
    const auto asLatin1 = LibraryScanner::readFile(path);
    ASSERT_TRUE(asLatin1);
    EXPECT_NE(asLatin1->title, "Příliš žluťoučký");  // what TagLib makes of it by default
    EXPECT_EQ(asLatin1->bitrate, 64);

    LibraryScanner::readLatin1TagsAsWindows1250();
    const auto asWindows1250 = LibraryScanner::readFile(path);
    ASSERT_TRUE(asWindows1250);
    EXPECT_EQ(asWindows1250->title, "Příliš žluťoučký");
    EXPECT_EQ(asWindows1250->artist, "Šárka");
}

TEST(ServiceStart, MissingFolderAndTakenPortAreReported)
{
    QTemporaryDir dir;
    const std::string log = dir.filePath("log").toStdString();
    {
        ServiceProcess service({"--music", dir.filePath("nowhere").toStdString(), "--address", "127.83.1.3"}, log);
        EXPECT_EQ(service.waitForExit(20s), 2);
        EXPECT_NE(service.log().find("does not exist"), std::string::npos) << service.log();
    }
    const std::string music = dir.filePath("m").toStdString();
    fs::create_directories(music);
    ServiceProcess first({"--music", music, "--database", dir.filePath("1.db").toStdString(), "--address",
                          "127.83.1.3"},
                         log);
    ASSERT_TRUE(first.waitUntilListening("127.83.1.3", 80, 20s)) << first.log();
    const std::string log2 = dir.filePath("log2").toStdString();
    ServiceProcess second({"--music", music, "--database", dir.filePath("2.db").toStdString(), "--address",
                           "127.83.1.3"},
                          log2);
    EXPECT_EQ(second.waitForExit(20s), 1);
    EXPECT_NE(second.log().find("cannot listen on 127.83.1.3 port 80"), std::string::npos) << second.log();

    ServiceProcess help({"--help"}, log2);
    EXPECT_EQ(help.waitForExit(20s), 0);
    ServiceProcess wrong({"--music", music, "--port", "eighty"}, log2);
    EXPECT_EQ(wrong.waitForExit(20s), 2);
    EXPECT_NE(wrong.log().find("--port expects a number"), std::string::npos);
}

} // namespace
