// Feeds arbitrary bytes to the .kpl reader, either as a file's content or as
// the plain text behind the digits (so the XML parser sees structured input
// far more often), and checks that whatever loads saves and loads again to
// the same rows.
#include "PlaylistFormat.h"
#include "ShiftHex.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    const QByteArray line = (data[0] & 1) ? EncodeShiftHex(rest, PlaylistFormat::PlaylistKey)
                                          : PlaylistFormat::firstLine(rest).toByteArray();
    const PlaylistFormat::Parsed parsed = PlaylistFormat::parse(line);
    if (parsed.outcome != PlaylistFormat::Outcome::Loaded)
        return 0;
    for (const PlaylistEntry &e : parsed.entries)
        if (e.nowPlaying)
            std::abort();
    const QByteArray file = PlaylistFormat::fileContent(parsed.entries);
    const PlaylistFormat::Parsed again = PlaylistFormat::parse(PlaylistFormat::firstLine(file));
    // A title of blanks only (codes 0 to 32) is no text to the parser, so
    // it can only come back empty.
    QList<PlaylistEntry> expected = parsed.entries;
    for (PlaylistEntry &e : expected)
        if (std::all_of(e.title.cbegin(), e.title.cend(), [](char c) { return static_cast<unsigned char>(c) <= 32; }))
            e.title.clear();
    if (again.outcome != PlaylistFormat::Outcome::Loaded || again.entries != expected) {
        const auto dump = [](const char *label, const QList<PlaylistEntry> &rows) {
            std::fprintf(stderr, "%s:\n", label);
            for (const PlaylistEntry &e : rows)
                std::fprintf(stderr, "  [%s] [%s] [%s] [%s]\n", e.title.toHex(' ').constData(),
                             e.length.toHex(' ').constData(), e.url.toHex(' ').constData(),
                             e.trackId.toHex(' ').constData());
        };
        dump("loaded", parsed.entries);
        dump("saved and loaded again", again.entries);
        std::abort();
    }
    return 0;
}
