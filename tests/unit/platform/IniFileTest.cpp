#include "IniFile.h"
#include "IniWriteError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("sonaro-klient.ini")); }
};

} // namespace

TEST_F(IniFileTest, MissingFileGivesDefaultsAndCreatesNothing)
{
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger("Okno", "Top", -1), -1);
    EXPECT_TRUE(ini.readBool("Hlavni", "AAPouzivat", true));
    EXPECT_EQ(ini.readString("Playlisty", "Posledni", "no"), "no");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFileTest, IntegersAndBooleansParseStrictly)
{
    put(path(), "[Okno]\nTop=120\nLeft= -5 \nVolume=\nBad=12a\nHuge=99999999999\nPlus=+7\n"
                "[Hlavni]\nA=0\nB=2\nC=-1\nD=ano\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger("Okno", "Top", -1), 120);
    EXPECT_EQ(ini.readInteger("Okno", "Left", -1), -5);
    EXPECT_EQ(ini.readInteger("Okno", "Volume", -1), -1); // empty value
    EXPECT_EQ(ini.readInteger("Okno", "Bad", 3), 3);
    EXPECT_EQ(ini.readInteger("Okno", "Huge", 3), 3);
    EXPECT_EQ(ini.readInteger("Okno", "Plus", 3), 7);
    EXPECT_FALSE(ini.readBool("Hlavni", "A", true));
    EXPECT_TRUE(ini.readBool("Hlavni", "B", false)); // any non-zero integer
    EXPECT_TRUE(ini.readBool("Hlavni", "C", false));
    EXPECT_TRUE(ini.readBool("Hlavni", "D", true)); // not an integer: default
    EXPECT_FALSE(ini.readBool("Hlavni", "D", false));
    // A key of another section is not found.
    EXPECT_EQ(ini.readInteger("Hlavni", "Top", -1), -1);
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndValuesAreTrimmedText)
{
    put(path(), "; comment\r\n[hlavni]\r\nposledniFIND =  Žluťoučký kůň  \r\nQ=\"quoted\"\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString("Hlavni", "PosledniFind", ""), QStringLiteral("Žluťoučký kůň"));
    EXPECT_EQ(ini.readString("HLAVNI", "q", ""), "\"quoted\"");
    // What is written reads back the same, quotes and inner blanks included.
    ini.writeString("Hlavni", "PosledniFind", "\"Kabát\"  live");
    EXPECT_EQ(ini.readString("Hlavni", "PosledniFind", ""), QStringLiteral("\"Kabát\"  live"));
}

TEST_F(IniFileTest, WritesKeepOtherSectionsKeysAndOrder)
{
    put(path(), "; mine\n[Okno]\nTop=1\nLeft=2\n\n[Cesty]\nPLS=/a\n");
    IniFile ini(path());
    ini.writeInteger("okno", "LEFT", 50);        // replaced in place
    ini.writeString("Okno", "Volume", "200");    // appended at the end of its section
    ini.writeString("Playlisty", "Posledni", "no"); // new section at the end
    ini.writeBool("Cesty", "X", false);
    EXPECT_EQ(contents(path()), QByteArray("; mine\n[Okno]\nTop=1\nLEFT=50\nVolume=200\n\n[Cesty]\nPLS=/a\nX=0\n"
                                           "[Playlisty]\nPosledni=no\n"));
}

TEST_F(IniFileTest, SeveralKeysAtOnceLandAsKeyByKeyWritesWould)
{
    const QByteArray start = "; mine\n[Okno]\nTop=1\nLeft=2\n\n[Cesty]\nPLS=/a\n";
    put(path(), start);
    IniFile(path()).writeStrings({{"okno", "LEFT", "50"},
                                  {"Okno", "Volume", "200"},
                                  {"Playlisty", "Posledni", "no"},
                                  {"Playlisty", "Posledni", "a\nb"},
                                  {"Cesty", "X", "0"}});
    const QByteArray batch = contents(path());
    put(path(), start);
    IniFile single(path());
    single.writeString("okno", "LEFT", "50");
    single.writeString("Okno", "Volume", "200");
    single.writeString("Playlisty", "Posledni", "no");
    single.writeString("Playlisty", "Posledni", "a\nb");
    single.writeString("Cesty", "X", "0");
    EXPECT_EQ(batch, contents(path()));
    EXPECT_TRUE(batch.contains("[Playlisty]\nPosledni=a b\n"));
}

TEST_F(IniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites)
{
    IniFile a(path());
    IniFile b(path());
    a.writeString("Hlavni", "PosledniFind", QStringLiteral("čeština"));
    EXPECT_EQ(b.readString("Hlavni", "PosledniFind", ""), QStringLiteral("čeština"));
    b.writeString("Hlavni", "PosledniFind", "x");
    EXPECT_EQ(a.readString("Hlavni", "PosledniFind", ""), "x");
    EXPECT_EQ(contents(path()), QByteArray("[Hlavni]\nPosledniFind=x\n"));
}

TEST_F(IniFileTest, LineBreaksInAValueCannotAddKeys)
{
    IniFile ini(path());
    ini.writeString("Hlavni", "PosledniFind", "a\n[Okno]\nTop=5");
    EXPECT_EQ(ini.readInteger("Okno", "Top", -1), -1);
    EXPECT_EQ(ini.readString("Hlavni", "PosledniFind", ""), "a [Okno] Top=5");
}

TEST_F(IniFileTest, UnwritableLocationRaisesWithThePath)
{
    // A regular file where the folder should be: no user, root included, can
    // create the settings file below it.
    put(dir.filePath("plain"), "x");
    const QString bad = dir.filePath("plain/sonaro-klient.ini");
    IniFile ini(bad);
    try {
        ini.writeString("Okno", "Top", "1");
        FAIL() << "no exception";
    } catch (const IniWriteError &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + bad.toStdString());
    }
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileWhole)
{
    const QByteArray old = "[Okno]\nTop=1\n";
    put(path(), old);
    IniFile ini(path());
    // A file-size limit makes the write fail half way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    try {
        ini.writeString("Hlavni", "PosledniFind", QString(4096, u'x'));
    } catch (const IniWriteError &e) {
        raised = std::string(e.what()) == "Unable to write to " + path().toStdString();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(raised);
    EXPECT_EQ(contents(path()), old);
    // No temporary file is left behind either.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"sonaro-klient.ini"});
}

TEST_F(IniFileTest, PathBesideTheProgramOrInTheUserConfigFolder)
{
    const QString exe = dir.filePath("sonaro-klient");
    EXPECT_EQ(IniFile::pathFor(exe, "/cfg"), dir.filePath("sonaro-klient.ini"));
    EXPECT_EQ(IniFile::pathFor(dir.filePath("app.bin"), "/cfg"), dir.filePath("app.ini"));
    // A folder that cannot take the file (here: it is not a folder at all).
    put(dir.filePath("plain"), "x");
    EXPECT_EQ(IniFile::pathFor(dir.filePath("plain/sonaro-klient"), "/cfg"),
              QStringLiteral("/cfg/sonaro-klient/sonaro-klient.ini"));

    // The fallback folder is created on the first write.
    const QString fallback = IniFile::pathFor(dir.filePath("plain/sonaro-klient"), dir.filePath("cfg"));
    IniFile ini(fallback);
    ini.writeBool("Hlavni", "AAPouzivat", true);
    EXPECT_EQ(contents(dir.filePath("cfg/sonaro-klient/sonaro-klient.ini")), QByteArray("[Hlavni]\nAAPouzivat=1\n"));
}

TEST_F(IniFileTest, BytesThatAreNotUtf8SurviveWritesOfOtherKeys)
{
    // As the program wrote it on its original platform: Windows-1250, CRLF.
    const QByteArray legacy = "[Hlavni]\r\nPosledniFind=Kab\xe1t\r\nAAPouzivat=1\r\n[Cesty]\r\nPLS=C:\\Hudba\\\x8a\xe9\r\n";
    put(path(), legacy);
    IniFile ini(path());
    EXPECT_EQ(ini.readString("Hlavni", "PosledniFind", ""), QStringLiteral("Kabát"));
    ini.writeInteger("Okno", "Top", 80);
    EXPECT_EQ(contents(path()), legacy + "[Okno]\r\nTop=80\r\n");

    // A value the program writes is UTF-8, in place, with the line's own end.
    ini.writeString("Hlavni", "PosledniFind", QStringLiteral("Kabát"));
    EXPECT_TRUE(contents(path()).startsWith("[Hlavni]\r\nPosledniFind=Kab\xc3\xa1t\r\nAAPouzivat=1\r\n"));
    EXPECT_EQ(ini.readString("Hlavni", "PosledniFind", ""), QStringLiteral("Kabát"));
}

TEST_F(IniFileTest, ArbitraryBytesAreKeptExactly)
{
    QByteArray noise(10 * 1024, '\0');
    quint32 state = 12345;
    for (char &c : noise) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    // No line that could be taken for a section header of ours.
    noise.replace('[', '(');
    put(path(), noise);
    IniFile ini(path());
    ini.writeStrings({{"Okno", "Top", "80"}, {"Okno", "Left", "120"}});
    const QByteArray after = contents(path());
    ASSERT_TRUE(after.startsWith(noise)) << "size " << after.size();
    // Added lines take the file's first line end; a last line without one gets it.
    const qsizetype nl = noise.indexOf('\n');
    const QByteArray end = nl > 0 && noise[nl - 1] == '\r' ? "\r\n" : "\n";
    const QByteArray expected = (noise.endsWith('\n') ? QByteArray() : end) + "[Okno]" + end + "Top=80" + end
                                + "Left=120" + end;
    EXPECT_EQ(after.mid(noise.size()), expected);
    EXPECT_EQ(ini.readInteger("Okno", "Left", -1), 120);
}
