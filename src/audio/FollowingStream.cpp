#include "FollowingStream.h"

#include "LibrarySyncs.h"
#include "OutputPipeline.h"
#include "StreamNames.h"
#include "StreamOpener.h"

FollowingStream::FollowingStream(const AudioApi &api, StreamOpener &opener, SyncMailbox &mailbox)
    : api_(api), opener_(opener), mailbox_(mailbox)
{
}

bool FollowingStream::follow(const QByteArray &name, AUDIO_HANDLE current)
{
    if (name == following_)
        return false;
    following_ = name;
    if (ahead_ && ahead_->name != name)
        drop(current);
    return true;
}

void FollowingStream::open(std::uint64_t attempt)
{
    if (ahead_ || following_.isEmpty() || !StreamNames::isInternetName(following_))
        return;
    const QByteArray extension = StreamNames::extensionOf(following_);
    if (!StreamNames::isRecognisedNetType(extension) || StreamNames::needsAddOn(extension))
        return;
    ahead_ = Ahead{following_, attempt};
    opener_.start(attempt, following_, AUDIO_STREAM_DECODE);
}

bool FollowingStream::owns(std::uint64_t attempt) const
{
    return ahead_ && ahead_->attempt == attempt && !ahead_->channel && !ahead_->failed;
}

void FollowingStream::opened(AUDIO_HANDLE channel, const StreamFacts::Format &output, bool outputRunning)
{
    if (!channel) {
        ahead_->failed = true; // not tried again
        return;
    }
    ahead_->channel = channel;
    // Set now, so that an end or a failed download before the take-over is known.
    api_.ChannelSetSync(channel, AUDIO_SYNC_END, 0, &LibrarySyncs::atEnd, &mailbox_);
    api_.ChannelSetSync(channel, AUDIO_SYNC_DOWNLOAD, 0, &LibrarySyncs::atDownloadEnd, &mailbox_);
    if (outputRunning)
        requeue(output);
}

void FollowingStream::requeue(const StreamFacts::Format &output)
{
    if (!ahead_ || !ahead_->channel || !pipeline_)
        return;
    StreamFacts::Format format;
    // Another format needs an output of its own: it starts as an ordinary Open.
    ahead_->queued = StreamFacts::formatOf(api_, ahead_->channel, format) && format == output
                  && pipeline_->QueueNext(ahead_->channel);
}

bool FollowingStream::note(EngineEvent::Message message, AUDIO_HANDLE channel)
{
    if (!ahead_ || !ahead_->channel || channel != ahead_->channel)
        return false;
    if (message == EngineEvent::PlayEnd)
        ahead_->ended = true;
    else if (message == EngineEvent::DownloadFailed)
        ahead_->downloadFailed = true;
    return true;
}

bool FollowingStream::chained() const
{
    return ahead_ && ahead_->queued && pipeline_ && pipeline_->Switched();
}

std::optional<FollowingStream::Taken> FollowingStream::take(const QByteArray &name)
{
    if (!ahead_ || ahead_->name != name || !ahead_->channel)
        return std::nullopt;
    Taken taken{ahead_->channel, ahead_->queued && !pipeline_->CancelNext(), ahead_->ended, ahead_->downloadFailed};
    ahead_.reset();
    return taken;
}

std::optional<std::uint64_t> FollowingStream::takeAttempt(const QByteArray &name)
{
    if (!owns(ahead_ ? ahead_->attempt : 0) || ahead_->name != name)
        return std::nullopt;
    const std::uint64_t attempt = ahead_->attempt;
    ahead_.reset();
    return attempt;
}

void FollowingStream::drop(AUDIO_HANDLE current)
{
    if (!ahead_)
        return;
    const Ahead dropped = std::move(*ahead_);
    ahead_.reset();
    if (!dropped.channel)
        return; // an open on its way is freed when it arrives
    if (dropped.queued && pipeline_ && !pipeline_->CancelNext()) {
        // The worker reads it already: back to the current stream, whose
        // end comes next; freed once the output is closed.
        pipeline_->Unchain(current);
        retired_.push_back(dropped.channel);
        return;
    }
    api_.StreamFree(dropped.channel);
}

void FollowingStream::releaseRetired()
{
    for (const AUDIO_HANDLE channel : retired_)
        api_.StreamFree(channel);
    retired_.clear();
}
