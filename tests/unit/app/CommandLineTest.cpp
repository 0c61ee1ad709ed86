#include "CommandLine.h"
#include "ServiceAddressSetting.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

CommandLine parse(QStringList args)
{
    args.prepend("/usr/lib/sonaro-klient/sonaro-klient");
    return CommandLine::parse(args);
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(CommandLine, HelpAndVersionAnswerAndEnd)
{
    const CommandLine version = parse({"--version"});
    EXPECT_TRUE(version.exitNow);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "sonaro-klient 0.3\n");

    const CommandLine help = parse({"--help"});
    EXPECT_TRUE(help.exitNow);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.startsWith("Usage: sonaro-klient [options] [playlist.kpl]")) << help.output.toStdString();
    EXPECT_TRUE(help.output.contains("--server <url>"));
    EXPECT_TRUE(help.output.contains("--version"));
    // Help wins over anything else on the line, a bad option included.
    EXPECT_EQ(parse({"--bogus", "-h"}).exitCode, 0);
}

TEST(CommandLine, ServerAndPlaylistForThisRun)
{
    const CommandLine none = parse({});
    EXPECT_FALSE(none.exitNow);
    EXPECT_FALSE(none.server.has_value());
    EXPECT_TRUE(none.playlist.isEmpty());

    const CommandLine both = parse({"--server", "http://127.0.0.2:8080/", "mix.kpl"});
    EXPECT_FALSE(both.exitNow);
    EXPECT_EQ(both.server.value_or(""), "http://127.0.0.2:8080/");
    EXPECT_EQ(both.playlist, "mix.kpl");
    EXPECT_EQ(parse({"--server=http://h/"}).server.value_or(""), "http://h/");
}

TEST(CommandLine, BadArgumentsEndWithAReason)
{
    for (const QStringList &args : {QStringList{"--bogus"}, QStringList{"--server"}, QStringList{"a.kpl", "b.kpl"}}) {
        const CommandLine line = parse(args);
        EXPECT_TRUE(line.exitNow) << args.join(' ').toStdString();
        EXPECT_EQ(line.exitCode, 2);
        EXPECT_TRUE(line.output.isEmpty());
        EXPECT_TRUE(line.errorOutput.startsWith("sonaro-klient: ")) << line.errorOutput.toStdString();
    }
}

TEST(ServiceAddressSetting, OnlyPlainHttpAddressesOfAServiceAreTaken)
{
    EXPECT_EQ(ServiceAddressSetting::parse("http://music.lan/", nullptr).value_or("-"), "http://music.lan/");
    EXPECT_EQ(ServiceAddressSetting::parse(" http://127.0.0.2:8080 ", nullptr).value_or("-"), "http://127.0.0.2:8080/");
    EXPECT_EQ(ServiceAddressSetting::parse("http://h/sonaro/", nullptr).value_or("-"), "http://h/sonaro/");
    for (const QString bad : {"", "music.lan", "https://music.lan/", "http://", "http://h/x", "http://u@h/",
                              "http://h:0/", "http://h:99999/", "http://h/?a=1/", "http://a b/"}) {
        QString why;
        EXPECT_FALSE(ServiceAddressSetting::parse(bad, &why)) << bad.toStdString();
        EXPECT_FALSE(why.isEmpty()) << bad.toStdString();
    }
}

TEST(ServiceAddressSetting, OptionThenFileBesideTheProgramThenTheSystemsThenBuiltIn)
{
    QTemporaryDir dir;
    const QString beside = dir.filePath("beside.conf");
    const QString system = dir.filePath("system.conf");
    const QStringList files{beside, system};
    QStringList warnings;

    EXPECT_EQ(ServiceAddressSetting::resolve(std::nullopt, files, &warnings), QByteArray());
    put(system, "# the installation's service\nSERVICE_URL=\"http://system.lan/\"\n");
    EXPECT_EQ(ServiceAddressSetting::resolve(std::nullopt, files, &warnings), "http://system.lan/");
    put(beside, "OTHER=1\nSERVICE_URL=http://beside.lan:81/\n");
    EXPECT_EQ(ServiceAddressSetting::resolve(std::nullopt, files, &warnings), "http://beside.lan:81/");
    EXPECT_EQ(ServiceAddressSetting::resolve(QString("http://option.lan/"), files, &warnings), "http://option.lan/");
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();

    // A bad value is reported with where it came from, and the built-in address is used.
    put(beside, "SERVICE_URL=ftp://beside.lan/\n");
    EXPECT_EQ(ServiceAddressSetting::resolve(std::nullopt, files, &warnings), QByteArray());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith("sonaro-klient: " + beside + ": SERVICE_URL=ftp://beside.lan/: "))
        << warnings[0].toStdString();
    warnings.clear();
    EXPECT_EQ(ServiceAddressSetting::resolve(QString("bad"), files, &warnings), QByteArray());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith("sonaro-klient: --server bad: "));
}
