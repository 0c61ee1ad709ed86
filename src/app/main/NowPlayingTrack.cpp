#include "NowPlayingTrack.h"

#include "MainState.h"
#include "ResultRow.h"
#include "ResultsModel.h"
#include "Windows1250.h"

namespace {

constexpr int SubAlbum = 1;

} // namespace

MprisTrack NowPlayingTrack::describe(const MainState &state, const ResultsModel &results, QByteArrayView streamName)
{
    MprisTrack track;
    track.trackId = state.CurrentTrackId;
    track.title = state.LedText;
    track.url = Windows1250::decode(streamName);
    if (state.PlayingFromPlaylist)
        return track;
    for (int r = 0; r < results.count(); ++r) {
        const ResultRow &row = results.row(r);
        if (Windows1250::decode(row.trackId()) != state.CurrentTrackId)
            continue;
        track.title = Windows1250::decode(row.caption());
        track.artist = Windows1250::decode(row.subItem(ResultRow::kSubArtist));
        track.album = Windows1250::decode(row.subItem(SubAlbum));
        break;
    }
    return track;
}
