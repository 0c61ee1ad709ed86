// The engine's transport: playing, pausing, stopping and seeking the open
// stream, its position, and how its end and a failed download are met.
#include "TStreamPlayer.h"

#include "AudioSession.h"
#include "EngineWindow.h"
#include "FollowingStream.h"
#include "LibrarySyncs.h"
#include "OutputPipeline.h"
#include "SyncMailbox.h"
#include "Windows1250.h"

#include <utility>

namespace {
constexpr std::uint64_t kNone64 = static_cast<std::uint64_t>(-1);
}

void TStreamPlayer::Play()
{
    if (kind_ == ChannelKind::ckNone || mode_ == plmPlaying)
        return;
    if (outputCarriesOver_) {
        outputCarriesOver_ = false;
        SetMode(plmPlaying);
        actOnCarriedEvents();
        return;
    }
    if (stoppedAtFault_ && mode_ == plmStopped) {
        // Goes on where the data ran out, with a new request for the rest.
        resumeDownload();
        if (!singleChannel_ && outputChannel_)
            api().ChannelPlay(outputChannel_, 0);
        SetMode(plmPlaying);
        return;
    }
    resumeDownload();
    if (mode_ == plmPaused) {
        ResumePlay();
        return;
    }
    if (mode_ == plmStopped) {
        SetPosition(0);
        if (Position() == PlayLength())
            showError(QStringLiteral("Playback reposition of opened stream is not allowed."));
        else
            RestartPlay();
        return;
    }

    const AudioApi &a = api();
    if (singleChannel_) {
        outputChannel_ = decodeChannel_;
    } else {
        pipeline_->CloseOutput();
        outputChannel_ = pipeline_->OpenOutput(decodeChannel_, static_cast<std::uint32_t>(info_.SampleRate),
                                               info_.Channels, eightBit_ ? 8 : 16);
        if (!outputChannel_) {
            showError(QStringLiteral("Could not open the channel for play"));
            decoderName_.clear();
            return;
        }
    }
    if (!a.ChannelPlay(outputChannel_, 1))
        return;
    if (!endSyncSet_)
        endSyncSet_ = a.ChannelSetSync(decodeChannel_, AUDIO_SYNC_END, 0, &LibrarySyncs::atEnd, mailbox_.get()) != 0;
    SetMode(plmPlaying);
    actOnCarriedEvents();
    if (!singleChannel_)
        following_->requeue(outputFormat());
}

void TStreamPlayer::actOnCarriedEvents()
{
    if (std::exchange(downloadedCarried_, false))
        onDownloadComplete();
    if (std::exchange(downloadFailedCarried_, false))
        onDownloadFailed();
    if (std::exchange(endCarried_, false))
        onEndSync();
}

void TStreamPlayer::Pause(bool paused)
{
    if (paused)
        PausePlay();
    else
        ResumePlay();
}

void TStreamPlayer::PausePlay()
{
    if (mode_ != plmPlaying)
        return;
    api().ChannelPause(outputChannel_);
    SetMode(plmPaused);
}

void TStreamPlayer::ResumePlay()
{
    if (mode_ != plmPaused)
        return;
    if (seekWhilePaused_) {
        // The ring was emptied at the seek and has only been filled from the
        // new place since; restarting flushes what the output still held.
        api().ChannelPlay(outputChannel_, 1);
        seekWhilePaused_ = false;
    } else {
        api().ChannelPlay(outputChannel_, 0);
    }
    SetMode(plmPlaying);
    if (endPending_) {
        endPending_ = false;
        onEndSync();
    }
}

void TStreamPlayer::Stop()
{
    if (mode_ != plmPlaying)
        return;
    api().ChannelStop(outputChannel_);
    SetMode(plmStopped);
}

void TStreamPlayer::RestartPlay()
{
    if (mode_ != plmStopped)
        return;
    if (!singleChannel_)
        pipeline_->ResetRing();
    if (api().ChannelPlay(outputChannel_, 1)) {
        window_->stopDrain();
        draining_ = false;
        SetMode(plmPlaying);
    }
}

std::uint32_t TStreamPlayer::PlayLength() const
{
    // A live station has no length; the library's estimate only grows with it.
    if (kind_ == ChannelKind::ckNone || netRadio_)
        return 0;
    return StreamFacts::lengthMs(api(), decodeChannel_);
}

std::uint32_t TStreamPlayer::Position() const
{
    if (kind_ == ChannelKind::ckNone)
        return 0;
    const std::uint64_t position = api().ChannelGetPosition(decodeChannel_, AUDIO_POS_BYTE);
    if (position == kNone64)
        return 0;
    std::int64_t bytes = static_cast<std::int64_t>(position);
    // What the output still holds has not been heard yet either.
    if (!singleChannel_)
        bytes -= std::int64_t(pipeline_->UnplayedBytes());
    if (bytes <= 0)
        return 0;
    return StreamFacts::roundMs(api().ChannelBytes2Seconds(decodeChannel_, static_cast<std::uint64_t>(bytes)));
}

void TStreamPlayer::SetPosition(std::uint32_t ms)
{
    if (kind_ == ChannelKind::ckNone || ms > PlayLength())
        return;
    const AudioApi &a = api();
    // The next stream already follows in the output: going back in this one
    // undoes that, and the next is opened once more.
    const bool unchained = following_->chained();
    if (unchained)
        following_->drop(decodeChannel_);
    bool outputWasPlaying = false;
    if (!singleChannel_ && outputChannel_) {
        const std::uint32_t state = a.ChannelIsActive(outputChannel_);
        if (state == AUDIO_ACTIVE_PAUSED) {
            seekWhilePaused_ = true;
        } else if (state == AUDIO_ACTIVE_PLAYING || state == AUDIO_ACTIVE_STALLED) {
            a.ChannelStop(outputChannel_);
            outputWasPlaying = true;
        }
    }
    const std::uint64_t bytes = a.ChannelSeconds2Bytes(decodeChannel_, ms / 1000.0);
    a.ChannelSetPosition(decodeChannel_, bytes, AUDIO_POS_BYTE);
    // Emptied after the decoder has moved, so no block from the old place
    // can slip in between.
    if (!singleChannel_)
        pipeline_->ResetRing();
    endPending_ = false;
    if (outputWasPlaying)
        a.ChannelPlay(outputChannel_, 1);
    if (unchained)
        openFollower();
}

void TStreamPlayer::SetVolume(std::uint32_t volume)
{
    if (volume > 255)
        volume = 255;
    volume_ = volume;
    if (!session_->loaded() || !ready_)
        return;
    api().SetConfig(AUDIO_CONFIG_MUSIC_VOLUME, volume);
    api().SetConfig(AUDIO_CONFIG_STREAM_VOLUME, volume);
}

std::uint32_t TStreamPlayer::DownloadedBytes() const
{
    if (kind_ == ChannelKind::ckNone || !netStream_ || kind_ == ChannelKind::ckPlugin)
        return 0;
    const std::uint64_t bytes = api().StreamGetFilePosition(decodeChannel_, AUDIO_FILEPOS_DOWNLOAD);
    return bytes == kNone64 ? 0 : static_cast<std::uint32_t>(bytes);
}

int TStreamPlayer::FreeAddOns(std::uint32_t)
{
    return 0;
}

std::uint32_t TStreamPlayer::BufferedBytes() const
{
    return pipeline_ && !singleChannel_ ? pipeline_->BufferedBytes() : 0;
}

std::uint64_t TStreamPlayer::Underruns() const
{
    return pipeline_ ? pipeline_->underruns() : 0;
}

std::uint32_t TStreamPlayer::OutputChannel() const
{
    return outputChannel_;
}

std::uint32_t TStreamPlayer::RingBytes() const
{
    return pipeline_ ? pipeline_->ringSize() : 0;
}

void TStreamPlayer::onEndSync()
{
    // The decoder ran out while the user had paused: the rest of the sound
    // still waits in the output, so the end counts once playing resumes.
    if (mode_ == plmPaused) {
        endPending_ = true;
        return;
    }
    // A stopped stream stays stopped; only a playing one reaches its end.
    if (mode_ != plmPlaying)
        return;
    SetMode(plmStopped);
    // The output still plays what the pipeline holds; OnPlayEnd waits for
    // it to fall silent, looked at from the engine window's timer so that
    // nothing runs nested inside this handler.
    draining_ = true;
    window_->startDrain();
}

void TStreamPlayer::drainTick()
{
    if (!draining_) {
        window_->stopDrain();
        return;
    }
    if (following_->chained()) {
        // The output goes on with the next stream: this one has been heard
        // once its last byte has.
        if (!pipeline_->BoundaryPlayed())
            return;
    } else {
        const std::uint32_t state = outputChannel_ ? api().ChannelIsActive(outputChannel_) : AUDIO_ACTIVE_STOPPED;
        if (state == AUDIO_ACTIVE_PLAYING || state == AUDIO_ACTIVE_STALLED)
            return;
    }
    draining_ = false;
    window_->stopDrain();
    emit OnPlayEnd();
}

void TStreamPlayer::onDownloadFailed()
{
    downloadFailed_ = true;
    window_->startFaultWatch();
    faultTick();
}

bool TStreamPlayer::soundRanDry() const
{
    const AudioApi &a = api();
    if (singleChannel_)
        return a.ChannelIsActive(decodeChannel_) == AUDIO_ACTIVE_STALLED;
    return pipeline_->fault() != AUDIO_OK && pipeline_->BufferedBytes() == 0
        && a.ChannelIsActive(outputChannel_) != AUDIO_ACTIVE_PLAYING;
}

void TStreamPlayer::faultTick()
{
    if (!downloadFailed_) {
        window_->stopFaultWatch();
        return;
    }
    // Paused or stopped by the user: nothing plays, so nothing runs dry yet.
    if (mode_ != plmPlaying || !soundRanDry())
        return;
    window_->stopFaultWatch();
    downloadFailed_ = false;
    stoppedAtFault_ = true;
    api().ChannelStop(outputChannel_);
    SetMode(plmStopped);
    showError(QStringLiteral("Přenos skladby se přerušil a nepodařilo se jej obnovit:\n") + Windows1250::decode(streamName_));
}

void TStreamPlayer::resumeDownload()
{
    if (!downloadFailed_ && !stoppedAtFault_)
        return;
    window_->stopFaultWatch();
    downloadFailed_ = false;
    stoppedAtFault_ = false;
    // On a decode-only channel this only starts the download again.
    api().ChannelPlay(decodeChannel_, 0);
    if (!singleChannel_)
        pipeline_->ClearFault();
}

bool TStreamPlayer::WaitingForData() const
{
    if (kind_ == ChannelKind::ckNone || mode_ != plmPlaying || !outputChannel_)
        return false;
    const AudioApi &a = api();
    if (singleChannel_)
        return a.ChannelIsActive(decodeChannel_) == AUDIO_ACTIVE_STALLED;
    return pipeline_->BufferedBytes() == 0 && a.ChannelIsActive(outputChannel_) == AUDIO_ACTIVE_STALLED;
}

bool TStreamPlayer::Reconnecting() const
{
    if (kind_ == ChannelKind::ckNone)
        return false;
    const std::uint64_t retries = api().StreamGetFilePosition(decodeChannel_, AUDIO_FILEPOS_RETRIES);
    return retries != kNone64 && retries > 0;
}

void TStreamPlayer::handleEvent(QEvent *event)
{
    auto *message = dynamic_cast<EngineEvent *>(event);
    if (!message)
        return;
    if (message->message == EngineEvent::Opened) {
        onOpened(message->attempt, message->channel);
        return;
    }
    if (following_->note(message->message, message->channel))
        return;
    if (kind_ == ChannelKind::ckNone || message->channel != decodeChannel_)
        return;
    switch (message->message) {
    case EngineEvent::PlayEnd:
        onEndSync();
        break;
    case EngineEvent::Meta:
        onMeta(message->text);
        break;
    case EngineEvent::Downloaded:
        if (!netRadio_)
            onDownloadComplete();
        break;
    case EngineEvent::DownloadFailed:
        onDownloadFailed();
        break;
    case EngineEvent::Opened:
        break;
    }
}

void TStreamPlayer::onMeta(const QString &title)
{
    info_.Title = title;
    // A copy: a listener may open the next stream, which clears the title
    // the listeners after it are still to hear.
    const QString content = info_.Title;
    emit OnGetMeta(content);
}

void TStreamPlayer::onDownloadComplete()
{
    if (downloadComplete_)
        return;
    downloadComplete_ = true;
    StreamFacts::readAtDownloadEnd(api(), decodeChannel_, streamName_, info_);
    emit OnDownloaded(QString::number(info_.Duration));
    openFollower();
}
