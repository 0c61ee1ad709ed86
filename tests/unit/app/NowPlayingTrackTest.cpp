#include "MainState.h"
#include "NowPlayingTrack.h"
#include "ResultsModel.h"

#include <gtest/gtest.h>

namespace {

ResultRow result(const QByteArray &name, const QByteArray &artist, const QByteArray &album, const QByteArray &id)
{
    ResultRow row;
    row.cells[0] = name;
    row.subItem(ResultRow::kSubArtist) = artist;
    row.subItem(1) = album;
    row.subItem(ResultRow::kSubTrackId) = id;
    return row;
}

} // namespace

TEST(NowPlayingTrack, AResultHasItsOwnNameArtistAndAlbum)
{
    ResultsModel results;
    // Windows-1250 bytes, as the finder reply gives them: "Píseň", "Kůň".
    results.appendRows({result("Jina", "Nekdo", "Jinde", "7"), result("P\xEDse\xF2", "K\xF9\xF2", "Deska", "12"),
                        result("Kopie", "Jiny", "Jina", "12")});
    MainState state;
    state.CurrentTrackId = QStringLiteral("12");
    state.LedText = QStringLiteral("Kůň - Píseň Deska");
    const MprisTrack t = NowPlayingTrack::describe(state, results, QByteArrayLiteral("http://h/Pisen.mp3"));
    EXPECT_EQ(t.trackId, QStringLiteral("12"));
    EXPECT_EQ(t.title, QStringLiteral("Píseň"));
    EXPECT_EQ(t.artist, QStringLiteral("Kůň"));
    EXPECT_EQ(t.album, QStringLiteral("Deska"));
    EXPECT_EQ(t.url, QByteArrayLiteral("http://h/Pisen.mp3"));
}

TEST(NowPlayingTrack, APlaylistEntryKeepsTheTitleItShows)
{
    ResultsModel results;
    results.appendRows({result("Pisen", "Kapela", "Deska", "12")});
    MainState state;
    state.CurrentTrackId = QStringLiteral("12");
    state.PlayingFromPlaylist = true;
    state.LedText = QStringLiteral("Můj přejmenovaný");
    const MprisTrack t = NowPlayingTrack::describe(state, results, QByteArrayLiteral("http://h/Pisen.mp3"));
    EXPECT_EQ(t.title, QStringLiteral("Můj přejmenovaný"));
    EXPECT_TRUE(t.artist.isEmpty());
    EXPECT_TRUE(t.album.isEmpty());

    // A result no longer in the list (a new search came) keeps the shown title too.
    state.PlayingFromPlaylist = false;
    state.CurrentTrackId = QStringLiteral("99");
    EXPECT_EQ(NowPlayingTrack::describe(state, results, {}).title, QStringLiteral("Můj přejmenovaný"));
}
