// Takes the input (after its first byte) as a settings file, reads a set of
// keys, writes one of them and checks that it reads back as written while
// every other key reads as before, and that the file's other lines keep their
// bytes: the write replaces one line's value or adds a key and a section.
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

// Whether after differs from before in one stretch that lies inside one
// line of before (a replaced value) or between two of its lines (added
// lines, with the line end a last line may need): every other line keeps
// its bytes, line end included.
bool changedWithinOneLine(const QByteArray &before, const QByteArray &after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (prefix + suffix < shorter && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArrayView removed = QByteArrayView(before).sliced(prefix, before.size() - prefix - suffix);
    const QByteArrayView added = QByteArrayView(after).sliced(prefix, after.size() - prefix - suffix);
    return !removed.contains('\n') && added.count('\n') <= 3;
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
    if (!changedWithinOneLine(QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)),
                              contentOf(path)))
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
