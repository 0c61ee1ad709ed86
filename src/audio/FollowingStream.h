#pragma once

#include "AudioApi.h"
#include "StreamFacts.h"
#include "SyncMailbox.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class OutputPipeline;
class StreamOpener;

// The stream a playlist plays next, opened before its turn and, when its
// format is the output's, queued in the pipeline so that its first sample
// follows the current stream's last. User-interface thread only; the
// engine says when it may be opened and takes it over when its Open comes.
class FollowingStream
{
public:
    FollowingStream(const AudioApi &api, StreamOpener &opener, SyncMailbox &mailbox);
    FollowingStream(const FollowingStream &) = delete;
    FollowingStream &operator=(const FollowingStream &) = delete;

    // pipeline may be null (dual-channel mode unavailable); it must outlive this.
    void setPipeline(OutputPipeline *pipeline) { pipeline_ = pipeline; }

    const QByteArray &name() const { return following_; }
    // A new follower; one opened for another name is let go. True when it changed.
    bool follow(const QByteArray &name, AUDIO_HANDLE current);
    // Starts opening the follower with a new attempt number, when there is
    // one that a URL stream can play and none is opened yet.
    void open(std::uint64_t attempt);
    bool owns(std::uint64_t attempt) const;
    // The outcome of its attempt; queued at once when the output allows.
    void opened(AUDIO_HANDLE channel, const StreamFacts::Format &output, bool outputRunning);
    // After a new output was made (which knows nothing queued).
    void requeue(const StreamFacts::Format &output);
    // A library event about the follower; true when it was one.
    bool note(EngineEvent::Message message, AUDIO_HANDLE channel);
    // The pipeline's worker reads it already.
    bool chained() const;

    struct Taken
    {
        AUDIO_HANDLE channel = 0;
        bool chained = false;
        bool ended = false;
        bool downloadFailed = false;
    };
    // The opened follower for an Open of name, handed over.
    std::optional<Taken> take(const QByteArray &name);
    // The attempt still opening name, handed over to become an ordinary open.
    std::optional<std::uint64_t> takeAttempt(const QByteArray &name);
    // Lets the follower go (current: the stream the pipeline goes back to).
    void drop(AUDIO_HANDLE current);
    // Frees what the pipeline's worker may have read; the output is closed.
    void releaseRetired();
    void clearName() { following_.clear(); }

private:
    const AudioApi &api_;
    StreamOpener &opener_;
    SyncMailbox &mailbox_;
    OutputPipeline *pipeline_ = nullptr;

    struct Ahead
    {
        QByteArray name;
        std::uint64_t attempt = 0;
        AUDIO_HANDLE channel = 0;
        bool failed = false;         // its open failed; the real Open reports it
        bool queued = false;         // handed to the pipeline to follow
        bool ended = false;          // its end sync came before the take-over
        bool downloadFailed = false;
    };
    std::optional<Ahead> ahead_;
    QByteArray following_;
    std::vector<AUDIO_HANDLE> retired_;
};
