#include "TStreamPlayer.h"

#include "AudioSession.h"
#include "EngineWindow.h"
#include "FollowingStream.h"
#include "LibrarySyncs.h"
#include "OutputPipeline.h"
#include "StreamNames.h"
#include "StreamOpener.h"
#include "SyncMailbox.h"
#include "Windows1250.h"

#include <QCoreApplication>
#include <QtDebug>

#include <utility>

namespace {

void report(const TStreamPlayer::OpenDone &done, bool opened)
{
    if (done)
        done(opened);
}

} // namespace

TStreamPlayer::TStreamPlayer(QObject *owner)
    : TStreamPlayer(owner, Setup())
{
}

TStreamPlayer::TStreamPlayer(QObject *owner, Setup setup)
    : QObject(owner)
    , setup_(std::move(setup))
    , mailbox_(std::make_unique<SyncMailbox>())
{
    window_ = new EngineWindow(this, *mailbox_);
    mailbox_->target = window_;
    const QString folder = setup_.LibraryFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                          : setup_.LibraryFolder;
    session_ = std::make_unique<AudioSession>(folder, setup_.OutputDevice,
                                              [this](const QString &text) { showError(text); });
    mailbox_->api = &session_->api();
    opener_ = std::make_unique<StreamOpener>(session_->api(), *mailbox_);
    following_ = std::make_unique<FollowingStream>(session_->api(), *opener_, *mailbox_);
    if (!session_->ready())
        return;

    ready_ = true;
    SetVolume(255);
    pipeline_ = std::make_unique<OutputPipeline>(api(), [this](const QString &caption, const QString &text) {
        if (setup_.ShowWarning)
            setup_.ShowWarning(caption, text);
        else
            qWarning().noquote() << caption << text;
    });
    if (pipeline_->ready()) {
        outputEmulatorReady_ = true;
        requestedSingleChannel_ = false;
        following_->setPipeline(pipeline_.get());
    } else {
        showError(QStringLiteral("Failed to get buffer.\n - Cannot run input plug-ins.\n - Cannot support dual channel mode."));
    }
}

TStreamPlayer::~TStreamPlayer()
{
    window_->stopDrain();
    if (kind_ != ChannelKind::ckNone) {
        if (outputChannel_)
            api().ChannelStop(outputChannel_);
        if (!singleChannel_ && pipeline_)
            pipeline_->CloseOutput();
    }
    following_->setPipeline(nullptr);
    pipeline_.reset();
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->target = nullptr;
    }
    delete window_;
    window_ = nullptr;
    pending_.reset();
    // Freeing the library frees every stream, the follower's among them.
    session_->shutDown([this] { opener_->joinAll(); });
    following_.reset();
    opener_.reset();
    session_.reset();
    // Only now can no library thread hold the mailbox any more.
    mailbox_.reset();
}

QString TStreamPlayer::AudioLibVer() const
{
    return session_->version();
}

bool TStreamPlayer::DX8EffectReady() const
{
    return session_->dx8EffectReady();
}

const AudioApi &TStreamPlayer::api() const
{
    return session_->api();
}

void TStreamPlayer::showError(const QString &text)
{
    if (setup_.ShowError)
        setup_.ShowError(text);
    else
        qWarning().noquote() << "Chyba:" << text;
}

void TStreamPlayer::SetSingleChannel(bool single)
{
    if (!single && !outputEmulatorReady_) {
        showError(QStringLiteral("Cannot support dual channel mode. (Failed to get buffer)"));
        return;
    }
    requestedSingleChannel_ = single;
}

void TStreamPlayer::failOpen(bool wasPlaying, const QString &text, bool resumeFirst)
{
    if (wasPlaying && resumeFirst)
        ResumePlay();
    showError(text);
    if (wasPlaying && !resumeFirst)
        ResumePlay();
}

void TStreamPlayer::Open(const QByteArray &name, OpenDone done)
{
    if (!ready_) {
        showError(QStringLiteral("Player is not ready !"));
        report(done, false);
        return;
    }
    following_->clearName();
    if (takeFollower(name, done))
        return;
    const bool internet = StreamNames::isInternetName(name);
    const QByteArray upper = StreamNames::extensionOf(name).toUpper();

    // A pending attempt gives way; the stream it paused is still this one's to resume.
    bool wasPlaying = supersedePending();
    if (kind_ != ChannelKind::ckNone && mode_ == plmPlaying) {
        PausePlay();
        wasPlaying = true;
    }

    const auto fail = [&](const QString &text) {
        failOpen(wasPlaying, text);
        report(done, false);
    };
    if (!internet) {
        // Local files are not played by this program.
        if (StreamNames::isMidiType(upper))
            return fail(QStringLiteral("No sound font is not loaded."));
        return fail(QStringLiteral("Can't play the specified stream file.\n -> ") + Windows1250::decode(name));
    }
    if (upper == ".ASF" || upper == ".WMA") {
        if (!outputEmulatorReady_)
            return fail(QStringLiteral("Cannot run input plug-ins. (Faild to get buffer) !"));
        return fail(QStringLiteral("Input plug-in for ASF (or WMA) file is not loaded."));
    }
    if (StreamNames::isMidiType(upper) && session_->midiAddOn())
        return fail(QStringLiteral("No sound font is loaded."));

    PendingOpen attempt;
    attempt.name = name;
    attempt.wasPlaying = wasPlaying;
    attempt.singleChannel = requestedSingleChannel_;
    attempt.done = std::move(done);
    // An open of the follower still on its way becomes this one.
    std::optional<std::uint64_t> underWay;
    if (!attempt.singleChannel)
        underWay = following_->takeAttempt(name);
    if (!underWay)
        following_->drop(decodeChannel_);
    attempt.attempt = underWay ? *underWay : ++lastAttempt_;
    pending_ = std::move(attempt);
    if (!underWay)
        opener_->start(pending_->attempt, name,
                       pending_->singleChannel ? 0u : AUDIO_STREAM_DECODE);
}

bool TStreamPlayer::supersedePending()
{
    if (!pending_)
        return false;
    PendingOpen superseded = std::move(*pending_);
    pending_.reset();
    report(superseded.done, false);
    return superseded.wasPlaying;
}

void TStreamPlayer::OpenAhead(const QByteArray &name)
{
    if (following_->follow(name, decodeChannel_))
        openFollower();
}

bool TStreamPlayer::AheadChained() const
{
    return following_->chained();
}

void TStreamPlayer::openFollower()
{
    // Only a file fully here leaves the network to the next one, and only
    // the pipeline can join two streams.
    if (ready_ && !pending_ && kind_ != ChannelKind::ckNone && !singleChannel_ && netStream_ && downloadComplete_)
        following_->open(++lastAttempt_);
}

StreamFacts::Format TStreamPlayer::outputFormat() const
{
    return {info_.SampleRate, info_.Channels, eightBit_};
}

bool TStreamPlayer::takeFollower(const QByteArray &name, const OpenDone &done)
{
    const std::optional<FollowingStream::Taken> taken = following_->take(name);
    if (!taken)
        return false;
    supersedePending();
    endCarried_ = taken->ended;
    downloadFailedCarried_ = taken->downloadFailed;
    startStream(name, taken->channel, false, done, taken->chained ? Origin::Chained : Origin::Ahead);
    return true;
}

void TStreamPlayer::onOpened(std::uint64_t attempt, std::uint32_t channel)
{
    opener_->finished(attempt);
    if (following_->owns(attempt)) {
        following_->opened(channel, outputFormat(), !singleChannel_ && outputChannel_);
        return;
    }
    if (!pending_ || pending_->attempt != attempt) {
        // Superseded meanwhile: nobody wants this stream.
        if (channel)
            api().StreamFree(channel);
        return;
    }
    PendingOpen opened = std::move(*pending_);
    pending_.reset();
    if (!channel) {
        failOpen(opened.wasPlaying, QStringLiteral("Nelze přehrát tuto MP3:\n") + Windows1250::decode(opened.name), true);
        report(opened.done, false);
        return;
    }
    startStream(opened.name, channel, opened.singleChannel, opened.done, Origin::Opened);
}

void TStreamPlayer::startStream(const QByteArray &name, std::uint32_t channel, bool singleChannel,
                                const OpenDone &done, Origin origin)
{
    const QByteArray extension = StreamNames::extensionOf(name);
    const bool chained = origin == Origin::Chained;
    // A stream opened ahead has its syncs already.
    const bool syncsSet = origin != Origin::Opened;
    const AudioApi &a = api();
    Close(chained);
    decodeChannel_ = channel;
    kind_ = ChannelKind::ckStream;
    endSyncSet_ = syncsSet;
    endPending_ = false;

    info_ = TStreamInfo();
    info_.FileName = name;
    if (StreamNames::isRecognisedNetType(extension)) {
        netStream_ = true;
        // Asked for before looking, so an end that comes in between still
        // arrives; an answer about a complete file is ignored.
        const AUDIO_HANDLE sync =
            syncsSet ? 0 : a.ChannelSetSync(channel, AUDIO_SYNC_DOWNLOAD, 0, &LibrarySyncs::atDownloadEnd, mailbox_.get());
        downloadComplete_ = StreamFacts::readFile(a, channel, name, extension, info_);
        if (downloadComplete_ && sync)
            a.ChannelRemoveSync(channel, sync);
    } else {
        netRadio_ = true;
        StreamFacts::readStation(a, channel, info_);
        a.ChannelSetSync(channel, AUDIO_SYNC_META, 0, &LibrarySyncs::atMeta, mailbox_.get());
        // A station whose reconnections fail for good is reported like a file.
        a.ChannelSetSync(channel, AUDIO_SYNC_DOWNLOAD, 0, &LibrarySyncs::atDownloadEnd, mailbox_.get());
    }
    StreamFacts::Format format;
    if (StreamFacts::formatOf(a, channel, format)) {
        info_.SampleRate = format.rate;
        info_.Channels = format.channels;
        eightBit_ = format.eightBit;
    }
    decoderName_ = StreamNames::decoderNameFor(extension, session_->cdAddOn(), session_->wmaAddOn(), false);

    singleChannel_ = singleChannel;
    streamName_ = name;
    if (chained) {
        pipeline_->AdoptNext();
        outputCarriesOver_ = true;
    }
    // Its download may have ended while it waited; that is reported as if
    // it came now.
    if (syncsSet && downloadComplete_) {
        downloadComplete_ = false;
        downloadedCarried_ = true;
    }
    SetMode(plmReady);
    report(done, true);
}

void TStreamPlayer::Close(bool keepOutput)
{
    if (kind_ == ChannelKind::ckNone)
        return;
    window_->stopDrain();
    window_->stopFaultWatch();
    draining_ = false;
    endPending_ = false;
    downloadFailed_ = false;
    stoppedAtFault_ = false;
    if (!keepOutput) {
        outputCarriesOver_ = false;
        if (!singleChannel_)
            pipeline_->CloseOutput();
        following_->drop(decodeChannel_);
        following_->releaseRetired();
        outputChannel_ = 0;
    }
    // With the output kept, the worker has moved on to the next stream and
    // no longer reads this one.
    api().StreamFree(decodeChannel_);
    decodeChannel_ = 0;
    kind_ = ChannelKind::ckNone;
    streamName_.clear();
    info_.FileName.clear();
    info_.StreamSize = 0;
    info_.SampleRate = 0;
    decoderName_.clear();
    downloadComplete_ = false;
    netStream_ = false;
    netRadio_ = false;
    seekWhilePaused_ = false;
    if (mode_ != plmStandby)
        SetMode(plmStandby);
}

void TStreamPlayer::SetMode(TPlayerMode mode)
{
    const TPlayerMode old = mode_;
    mode_ = mode;
    if (mode == plmStandby) {
        streamName_.clear();
        info_.FileName.clear();
        info_.Title.clear();
        info_.StreamSize = 0;
        info_.Duration = 0;
        info_.Channels = 0;
        info_.SampleRate = 0;
        info_.BitRate = 0;
    }
    emit OnModeChange(old, mode);
}
