#include "Options.h"

#include <gtest/gtest.h>

TEST(Options, DefaultsAndEveryOption)
{
    const Options d = Options::parse({"--music", "/m"});
    EXPECT_EQ(d.musicFolder, "/m");
    EXPECT_EQ(d.address, "127.0.0.1");
    EXPECT_EQ(d.port, 80);
    EXPECT_EQ(d.maxResults, 500u);
    EXPECT_TRUE(d.publicUrl.empty());
    EXPECT_FALSE(d.tagsWindows1250);

    const Options o = Options::parse({"-m", "/m", "-d", "/tmp/x.db", "-a", "0.0.0.0", "--port=8080", "-u",
                                      "http://music.lan", "--latest-version", "0.4", "--latest-size", "3670016",
                                      "--message", "Ahoj světe", "--max-results", "50", "--threads", "4",
                                      "--rescan", "60", "--tags-cp1250"});
    EXPECT_EQ(o.database, "/tmp/x.db");
    EXPECT_EQ(o.address, "0.0.0.0");
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.publicUrl, "http://music.lan/");
    EXPECT_EQ(o.latestVersion, "0.4");
    EXPECT_EQ(o.latestSize, 3670016);
    EXPECT_EQ(o.message, "Ahoj světe");
    EXPECT_EQ(o.maxResults, 50u);
    EXPECT_EQ(o.threads, 4);
    EXPECT_EQ(o.rescanSeconds, 60);
    EXPECT_TRUE(o.tagsWindows1250);

    EXPECT_TRUE(Options::parse({"--help"}).help);
    EXPECT_NE(Options::usage().find("--music"), std::string::npos);
}

TEST(Options, MistakesAreReportedNotGuessed)
{
    const auto fails = [](std::vector<std::string> args, const std::string &part) {
        try {
            Options::parse(args);
            ADD_FAILURE() << "accepted: " << part;
        } catch (const OptionsError &e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    fails({}, "no music folder");
    fails({"--music"}, "needs a value");
    fails({"-m", "/m", "--port", "0"}, "--port");
    fails({"-m", "/m", "--port", "80x"}, "--port");
    fails({"-m", "/m", "--port", "70000"}, "--port");
    fails({"-m", "/m", "--max-results", "-1"}, "--max-results");
    fails({"-m", "/m", "--public-url", "https://x/"}, "http://");
    fails({"-m", "/m", "--verbose"}, "unknown option");
    fails({"-m", "/m", "--request-timeout", "0"}, "--request-timeout");
    fails({"-m", "/m", "--max-per-address", "-3"}, "--max-per-address");
    fails({"-m", "/m", "--accel-prefix", "music/"}, "--accel-prefix");
    fails({"-m", "/m", "--accel-prefix", "/music"}, "--accel-prefix");
}

TEST(Options, ConnectionLimitsHostTrustAndVersion)
{
    const Options d = Options::parse({"--music", "/m"});
    EXPECT_EQ(d.requestTimeout, 5);
    EXPECT_EQ(d.maxPerAddress, 64);
    EXPECT_FALSE(d.urlFromHost);  // a Host header is never trusted unasked
    EXPECT_TRUE(d.accelPrefix.empty());

    const Options o = Options::parse({"-m", "/m", "--request-timeout", "2", "--max-per-address", "0",
                                      "--max-connections=100", "--url-from-host", "--accel-prefix", "/in/"});
    EXPECT_EQ(o.requestTimeout, 2);
    EXPECT_EQ(o.maxPerAddress, 0);
    EXPECT_EQ(o.maxConnections, 100);
    EXPECT_TRUE(o.urlFromHost);
    EXPECT_EQ(o.accelPrefix, "/in/");

    // --version needs no music folder, like --help.
    EXPECT_TRUE(Options::parse({"--version"}).version);
    EXPECT_NE(Options::usage().find("--version"), std::string::npos);
    EXPECT_NE(Options::usage().find("postgresql://"), std::string::npos);
}
