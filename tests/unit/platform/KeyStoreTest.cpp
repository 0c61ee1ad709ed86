#include "ClientIdStore.h"
#include "ProgramConstants.h"
#include "ShiftHex.h"
#include "UserKeyStore.h"
#include "XdgConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString KeyPath = QString::fromLatin1(ProgramConstants::ClientIdKeyPath);

class KeyStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString root() const { return dir.filePath("config/sonaro-klient/keys"); }
};

} // namespace

TEST_F(KeyStoreTest, ReadingNeverCreatesAnything)
{
    UserKeyStore store(root());
    EXPECT_FALSE(store.readString(KeyPath, "HashCode").has_value());
    EXPECT_EQ(ClientIdStore::read(store), -1);
    EXPECT_FALSE(QDir(dir.filePath("config")).exists());
}

TEST_F(KeyStoreTest, WriteCreatesTheKeyAndReadsBack)
{
    UserKeyStore store(root());
    ASSERT_TRUE(store.writeString(KeyPath, "HashCode", "A1B2"));
    EXPECT_EQ(store.readString(KeyPath, "HashCode").value_or("?"), "A1B2");
    EXPECT_TRUE(QFile::exists(root() + "/Software/Sonaro/InstallData/English/HashCode"));
    // Replacing keeps one value, nothing else in the key's folder.
    ASSERT_TRUE(store.writeString(KeyPath, "HashCode", "C3"));
    EXPECT_EQ(store.readString(KeyPath, "HashCode").value_or("?"), "C3");
    EXPECT_EQ(QDir(root() + "/Software/Sonaro/InstallData/English").entryList(QDir::Files), QStringList{"HashCode"});
    // Another value of the same key is independent.
    EXPECT_FALSE(store.readString(KeyPath, "Other").has_value());
}

TEST_F(KeyStoreTest, PathsCannotLeaveTheStore)
{
    UserKeyStore store(root());
    EXPECT_FALSE(store.writeString("\\Software\\..\\..\\x\\", "v", "1"));
    EXPECT_FALSE(store.writeString(KeyPath, "../escape", "1"));
    EXPECT_FALSE(store.writeString(KeyPath, "..", "1"));
    EXPECT_FALSE(store.writeString("\\\\", "v", "1"));
    EXPECT_FALSE(QDir(dir.filePath("config")).exists());
}

TEST_F(KeyStoreTest, ClientIdRoundTripsScrambled)
{
    UserKeyStore store(root());
    ASSERT_TRUE(ClientIdStore::write(store, "4711"));
    EXPECT_EQ(store.readString(KeyPath, "HashCode").value_or(""),
              QString::fromLatin1(EncodeShiftHex("4711", ShiftHex::ClientIdKey)));
    EXPECT_EQ(ClientIdStore::read(store), 4711);
    ASSERT_TRUE(ClientIdStore::write(store, "-1"));
    EXPECT_EQ(ClientIdStore::read(store), -1);
    ASSERT_TRUE(ClientIdStore::write(store, "-2147483648"));
    EXPECT_EQ(ClientIdStore::read(store), INT32_MIN);
}

TEST_F(KeyStoreTest, DamagedClientIdLeavesMinusOne)
{
    UserKeyStore store(root());
    const auto storeRaw = [&](const QByteArray &raw) {
        ASSERT_TRUE(store.writeString(KeyPath, "HashCode", QString::fromLatin1(raw)));
    };
    storeRaw("");
    EXPECT_EQ(ClientIdStore::read(store), -1);
    storeRaw("ZZZZ"); // not hexadecimal
    EXPECT_EQ(ClientIdStore::read(store), -1);
    storeRaw(EncodeShiftHex("12ab", ShiftHex::ClientIdKey)); // not decimal
    EXPECT_EQ(ClientIdStore::read(store), -1);
    storeRaw(EncodeShiftHex("99999999999", ShiftHex::ClientIdKey)); // beyond 32 bits
    EXPECT_EQ(ClientIdStore::read(store), -1);
    // An odd trailing digit is ignored, the complete pairs still count.
    storeRaw(EncodeShiftHex("42", ShiftHex::ClientIdKey) + "7");
    EXPECT_EQ(ClientIdStore::read(store), 42);
}

TEST(XdgConfig, AbsoluteSettingWinsARelativeOneIsIgnored)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg-here");
    EXPECT_EQ(XdgConfig::programFolder(), QStringLiteral("/tmp/cfg-here/sonaro-klient"));
    EXPECT_EQ(UserKeyStore::defaultRoot(), QStringLiteral("/tmp/cfg-here/sonaro-klient/keys"));
    for (const char *ignored : {"relative/cfg", ""}) {
        qputenv("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(XdgConfig::home(), QDir::homePath() + QStringLiteral("/.config")) << ignored;
    }
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
