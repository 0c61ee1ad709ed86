#pragma once

#include "MprisTrack.h"

#include <QByteArrayView>
#include <QString>

class ResultsModel;
struct MainState;

// Describes the track that has just started for the desktop's player
// interface. A track from the results list has its name, artist and album
// there; a playlist entry has only the title the playlist shows (which the
// user may have edited).
namespace NowPlayingTrack {

MprisTrack describe(const MainState &state, const ResultsModel &results, QByteArrayView streamName);

} // namespace NowPlayingTrack
