// Takes the input (after its first byte) as a settings file, reads a set of
// keys, writes one of them and checks that it reads back as written while
// every other key reads as before, and that the file's other lines keep their
// bytes: the write changes one line or adds at most two (key and section).
// The first byte picks the key and the value.
#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Probe
{
    const char *section;
    const char *key;
};

constexpr std::array<Probe, 16> probes{{
    {"Okno", "Top"}, {"Okno", "Left"}, {"Okno", "Volume"}, {"Okno", "PosledniFind"},
    {"Hlavni", "AAPouzivat"}, {"Hlavni", "PosledniFind"}, {"Hlavni", "Top"}, {"Hlavni", "Posledni"},
    {"Playlisty", "Pomatovat"}, {"Playlisty", "Posledni"}, {"Playlisty", "Volume"}, {"Playlisty", "PLS"},
    {"Cesty", "PLS"}, {"Cesty", "PLO"}, {"Cesty", "MP3D"}, {"Cesty", "Left"},
}};

// Values with what a settings file makes special: blanks at the ends, a line
// break, "=", brackets, a comment mark, non-ASCII text.
const std::array<QString, 5> values{
    QStringLiteral("C:\\Hudba"), QStringLiteral("  kab\u00e1t  "), QStringLiteral("a\r\nb\nc"),
    QStringLiteral(";[Okno]=x"), QString(),
};

// The lines' bytes without their line ends ("\n" or "\r\n"; a last line
// without "\n" has none, so a "\r" there is its own).
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    const bool ended = lines.last().isEmpty();
    if (ended)
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i)
        if ((ended || i + 1 < lines.size()) && lines[i].endsWith('\r'))
            lines[i].chop(1);
    return lines;
}

bool changedOneBlock(const QList<QByteArray> &before, const QList<QByteArray> &after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (prefix + suffix < shorter && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return prefix + suffix >= before.size() - 1 && after.size() - prefix - suffix <= 2;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

void fail(const char *what, const Probe &p)
{
    std::fprintf(stderr, "%s: [%s] %s\n", what, p.section, p.key);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // In memory where there is such a place: every write is a synced replacement.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/sonaro-fuzz-ini-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/sonaro-fuzz-ini-XXXXXX"));
    if (size == 0 || !folder.isValid())
        return 0;
    const QString path = folder.filePath(QStringLiteral("settings.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data) + 1, static_cast<qint64>(size - 1));
    }

    IniFile ini(path);
    std::array<QString, probes.size()> before;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const Probe &p = probes[i];
        before[i] = ini.readString(p.section, p.key, QStringLiteral("\x01"));
        // An integer read gives the value or, failing that, the default it was handed.
        const int a = ini.readInteger(p.section, p.key, 7);
        const int b = ini.readInteger(p.section, p.key, 8);
        if (a != b && (a != 7 || b != 8))
            fail("integer read depends on its default", p);
    }

    const std::size_t target = data[0] % probes.size();
    const QString &value = values[(data[0] >> 4) % values.size()];
    ini.writeString(probes[target].section, probes[target].key, value);
    if (!changedOneBlock(linesOf(QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1))),
                         linesOf(contentOf(path))))
        fail("lines other than the written key's changed", probes[target]);

    // A value is one line without blanks at its ends.
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    expected = expected.trimmed();
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const Probe &p = probes[i];
        const QString now = ini.readString(p.section, p.key, QStringLiteral("\x01"));
        if (i == target ? now != expected : now != before[i])
            fail(i == target ? "written key reads back otherwise" : "another key changed", p);
    }
    return 0;
}
