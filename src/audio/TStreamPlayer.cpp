#include "TStreamPlayer.h"

#include "AddOnLibrary.h"
#include "DynamicAudio.h"
#include "EngineWindow.h"
#include "Id3Reader.h"
#include "OutputPipeline.h"
#include "PlayerEvents.h"
#include "StreamNames.h"
#include "StreamOpener.h"
#include "SyncMailbox.h"
#include "Windows1250.h"

#include <QCoreApplication>
#include <QtDebug>

#include <cmath>
#include <utility>

namespace {

constexpr std::uint64_t kNone64 = static_cast<std::uint64_t>(-1);

const QString kMidiTypes = QStringLiteral("*.MID;*.MIDI;*.RMI;*.KAR;");

std::uint32_t roundMs(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return 0;
    const double ms = std::round(1000.0 * seconds);
    return ms >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ms);
}

SyncMailbox *mailboxOf(void *user)
{
    return static_cast<SyncMailbox *>(user);
}

void endSync(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t, void *user)
{
    mailboxOf(user)->post(EngineEvent::PlayEnd, channel);
}

void downloadSync(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t result, void *user)
{
    mailboxOf(user)->post(result == AUDIO_OK ? EngineEvent::Downloaded : EngineEvent::DownloadFailed, channel);
}

void metaSync(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t data, void *user)
{
    SyncMailbox *mailbox = mailboxOf(user);
    const QByteArray meta(reinterpret_cast<const char *>(data));
    QByteArray title;
    if (StreamNames::hasStreamTitle(meta)) {
        title = StreamNames::streamTitle(meta);
    } else if (mailbox->api) {
        const char *comments = mailbox->api->ChannelGetTags(channel, AUDIO_TAG_OGG);
        title = StreamNames::oggTitle(StreamNames::splitTagList(comments), false);
    }
    mailbox->post(EngineEvent::Meta, channel, Windows1250::decode(title));
}

// Length of an ID3v2 block from its header, footer included.
qsizetype id3v2Length(const char *block)
{
    const auto b = reinterpret_cast<const unsigned char *>(block);
    if (b[0] != 'I' || b[1] != 'D' || b[2] != '3')
        return 0;
    const qsizetype size = (qsizetype(b[6] & 0x7F) << 21) | (qsizetype(b[7] & 0x7F) << 14)
                         | (qsizetype(b[8] & 0x7F) << 7) | qsizetype(b[9] & 0x7F);
    return 10 + size + ((b[5] & 0x10) ? 10 : 0);
}

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
    , library_(std::make_unique<DynamicAudio>())
    , wmaAddOn_(std::make_unique<AddOnLibrary>())
    , cdAddOn_(std::make_unique<AddOnLibrary>())
    , midiAddOn_(std::make_unique<AddOnLibrary>())
    , visDrawer_(std::make_unique<AddOnLibrary>())
    , mailbox_(std::make_unique<SyncMailbox>())
{
    events_ = new PlayerEvents(this);
    window_ = new EngineWindow(this, *mailbox_);
    mailbox_->target = window_;
    mailbox_->api = &library_->api();
    opener_ = std::make_unique<StreamOpener>(library_->api(), *mailbox_);

    const QString folder = setup_.LibraryFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                          : setup_.LibraryFolder;
    if (!library_->load(folder))
        return;

    const AudioApi &a = api();
    const std::uint32_t version = a.GetVersion();
    if ((version >> 16) != 0x0203 || (version & 0xFFFF) < 1) {
        showError(QStringLiteral("Audio library version is not 2.3.0.1 !"));
        return;
    }

    a.SetConfig(AUDIO_CONFIG_MAX_VOLUME, 255);
    a.SetConfig(AUDIO_CONFIG_NET_REDIRECTS, 1);
    if (!a.Init(setup_.OutputDevice, 44100, 0, nullptr, nullptr)) {
        showError(QStringLiteral("Can't initialize device") + QStringLiteral("\r\n")
                  + QStringLiteral("(error code: ") + QString::number(a.ErrorGetCode())
                  + QStringLiteral(")"));
        return;
    }

    ready_ = true;
    AUDIO_INFO deviceInfo{};
    if (a.GetInfo(&deviceInfo))
        dx8EffectReady_ = deviceInfo.effects_version >= 8;
    SetVolume(255);
    audioLibVer_ = QString::number(version & 0xFFFF) + QLatin1Char('.') + QString::number(version >> 16);

    pipeline_ = std::make_unique<OutputPipeline>(a, [this](const QString &caption, const QString &text) {
        if (setup_.ShowWarning)
            setup_.ShowWarning(caption, text);
        else
            qWarning().noquote() << caption << text;
    });
    if (pipeline_->ready()) {
        outputEmulatorReady_ = true;
        requestedSingleChannel_ = false;
    } else {
        showError(QStringLiteral("Failed to get buffer.\n - Cannot run input plug-ins.\n - Cannot support dual channel mode."));
    }

    wmaAddOn_->load(folder, "libsonaroaudio_wma.so");
    cdAddOn_->load(folder, "libsonaroaudio_cd.so");
    midiAddOn_->load(folder, "libsonaroaudio_midi.so");
    visDrawer_->load(folder, "libvisdrawer.so", "GetGeneralPurposePlugin");
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
    pipeline_.reset();
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->target = nullptr;
    }
    delete window_;
    window_ = nullptr;
    pending_.reset();
    if (library_->loaded()) {
        api().PluginFree(0);
        // Freeing ends every creation still waiting on a server, so the
        // workers finish before the library goes away.
        api().Free();
        opener_->joinAll();
        library_->unload(); // closes the library; its own Free finds nothing left
    }
    opener_.reset();
    wmaAddOn_->unload();
    cdAddOn_->unload();
    midiAddOn_->unload();
    visDrawer_->unload();
    // Only now can no library thread hold the mailbox any more.
    mailbox_.reset();
}

const AudioApi &TStreamPlayer::api() const
{
    return library_->api();
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

void TStreamPlayer::Open(const QString &name, OpenDone done)
{
    if (!ready_) {
        showError(QStringLiteral("Player is not ready !"));
        report(done, false);
        return;
    }
    following_.clear();
    if (takeAhead(name, done))
        return;
    const bool internet = StreamNames::isInternetName(name);
    const QString extension = StreamNames::extensionOf(name);
    const QString upper = extension.toUpper();

    // A pending attempt gives way; the stream it paused is still this one's to resume.
    bool wasPlaying = false;
    if (pending_) {
        PendingOpen superseded = std::move(*pending_);
        pending_.reset();
        wasPlaying = superseded.wasPlaying;
        report(superseded.done, false);
    }
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
        if (!upper.isEmpty() && kMidiTypes.contains(upper))
            return fail(QStringLiteral("No sound font is not loaded."));
        return fail(QStringLiteral("Can't play the specified stream file.\n -> ") + name);
    }
    if (upper == QLatin1String(".ASF") || upper == QLatin1String(".WMA")) {
        if (!outputEmulatorReady_)
            return fail(QStringLiteral("Cannot run input plug-ins. (Faild to get buffer) !"));
        return fail(QStringLiteral("Input plug-in for ASF (or WMA) file is not loaded."));
    }
    if (!upper.isEmpty() && kMidiTypes.contains(upper) && midiAddOn_->loaded())
        return fail(QStringLiteral("No sound font is loaded."));

    PendingOpen attempt;
    attempt.name = name;
    attempt.wasPlaying = wasPlaying;
    attempt.singleChannel = requestedSingleChannel_;
    attempt.done = std::move(done);
    // An ahead open of this very stream still on its way becomes this one.
    const bool aheadUnderWay = ahead_ && ahead_->name == name && !ahead_->channel && !ahead_->failed
                            && !attempt.singleChannel;
    if (aheadUnderWay) {
        attempt.attempt = ahead_->attempt;
        ahead_.reset();
    } else {
        dropAhead();
        attempt.attempt = ++lastAttempt_;
    }
    pending_ = std::move(attempt);
    if (!aheadUnderWay)
        opener_->start(pending_->attempt, Windows1250::encode(name),
                       pending_->singleChannel ? 0u : AUDIO_STREAM_DECODE);
}

void TStreamPlayer::OpenAhead(const QString &name)
{
    if (name == following_)
        return;
    following_ = name;
    if (ahead_ && ahead_->name != name)
        dropAhead();
    maybeOpenAhead();
}

bool TStreamPlayer::AheadChained() const
{
    return ahead_ && ahead_->queued && pipeline_ && pipeline_->Switched();
}

void TStreamPlayer::maybeOpenAhead()
{
    // Only a file fully here leaves the network to the next one, and only
    // the pipeline can join two streams.
    if (!ready_ || ahead_ || pending_ || following_.isEmpty() || kind_ == ChannelKind::ckNone || singleChannel_
        || !netStream_ || !downloadComplete_ || !StreamNames::isInternetName(following_))
        return;
    const QString extension = StreamNames::extensionOf(following_);
    const QString upper = extension.toUpper();
    if (!StreamNames::isRecognisedNetType(extension) || kMidiTypes.contains(upper) || upper == QLatin1String(".ASF")
        || upper == QLatin1String(".WMA"))
        return;
    AheadStream next;
    next.name = following_;
    next.attempt = ++lastAttempt_;
    ahead_ = std::move(next);
    opener_->start(ahead_->attempt, Windows1250::encode(following_), AUDIO_STREAM_DECODE);
}

void TStreamPlayer::onAheadOpened(std::uint32_t channel)
{
    if (!channel) {
        // Not tried again; the real Open of this name reports the failure.
        ahead_->failed = true;
        return;
    }
    const AudioApi &a = api();
    ahead_->channel = channel;
    // Set now, so that an end or a failed download before the take-over is known.
    a.ChannelSetSync(channel, AUDIO_SYNC_END, 0, &endSync, mailbox_.get());
    a.ChannelSetSync(channel, AUDIO_SYNC_DOWNLOAD, 0, &downloadSync, mailbox_.get());
    queueAhead();
}

void TStreamPlayer::queueAhead()
{
    if (!ahead_ || !ahead_->channel || ahead_->queued || singleChannel_ || !outputChannel_)
        return;
    AUDIO_CHANNELINFO next{};
    if (!api().ChannelGetInfo(ahead_->channel, &next) || std::int32_t(next.freq) != info_.SampleRate
        || next.chans != info_.Channels || ((next.flags & AUDIO_SAMPLE_8BITS) != 0) != eightBit_)
        return; // another format needs an output of its own: it starts as an ordinary Open
    ahead_->queued = pipeline_->QueueNext(ahead_->channel);
}

bool TStreamPlayer::takeAhead(const QString &name, const OpenDone &done)
{
    if (!ahead_ || ahead_->name != name || !ahead_->channel)
        return false;
    if (pending_) {
        PendingOpen superseded = std::move(*pending_);
        pending_.reset();
        report(superseded.done, false);
    }
    const bool chained = ahead_->queued && !pipeline_->CancelNext();
    const std::uint32_t channel = ahead_->channel;
    endCarried_ = ahead_->ended;
    downloadFailedCarried_ = ahead_->downloadFailed;
    ahead_.reset();
    startStream(name, channel, false, done, chained ? Origin::Chained : Origin::Ahead);
    return true;
}

void TStreamPlayer::dropAhead()
{
    if (!ahead_)
        return;
    const AheadStream dropped = std::move(*ahead_);
    ahead_.reset();
    if (!dropped.channel)
        return; // an open on its way is freed when it arrives
    if (dropped.queued && pipeline_ && !pipeline_->CancelNext()) {
        // The worker reads it already: back to the current stream, whose
        // end comes next, and free it once the output is closed.
        pipeline_->Unchain(decodeChannel_);
        retired_.push_back(dropped.channel);
        return;
    }
    api().StreamFree(dropped.channel);
}

void TStreamPlayer::onOpened(std::uint64_t attempt, std::uint32_t channel)
{
    opener_->finished(attempt);
    if (ahead_ && ahead_->attempt == attempt && !ahead_->channel && !ahead_->failed) {
        onAheadOpened(channel);
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
    const QString extension = StreamNames::extensionOf(opened.name);
    if (!channel) {
        failOpen(opened.wasPlaying, QStringLiteral("Nelze přehrát tuto MP3:\n") + opened.name, true);
        report(opened.done, false);
        return;
    }

    startStream(opened.name, channel, opened.singleChannel, opened.done, Origin::Opened);
}

void TStreamPlayer::startStream(const QString &name, std::uint32_t channel, bool singleChannel,
                                const OpenDone &done, Origin origin)
{
    const QString extension = StreamNames::extensionOf(name);
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
    if (StreamNames::isRecognisedNetType(extension))
        openRecognised(name, extension, syncsSet);
    else
        openRadio();

    AUDIO_CHANNELINFO channelInfo{};
    if (a.ChannelGetInfo(decodeChannel_, &channelInfo)) {
        info_.SampleRate = static_cast<std::int32_t>(channelInfo.freq);
        info_.Channels = static_cast<std::uint16_t>(channelInfo.chans);
        eightBit_ = (channelInfo.flags & AUDIO_SAMPLE_8BITS) != 0;
    }
    decoderName_ = StreamNames::decoderNameFor(extension, cdAddOn_->loaded(), wmaAddOn_->loaded(), false);

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

void TStreamPlayer::openRecognised(const QString &name, const QString &extension, bool syncsSet)
{
    const AudioApi &a = api();
    netStream_ = true;
    if (extension.toUpper() == QLatin1String(".OGG")) {
        const char *comments = a.ChannelGetTags(decodeChannel_, AUDIO_TAG_OGG);
        info_.Title = Windows1250::decode(StreamNames::oggTitle(StreamNames::splitTagList(comments), true));
    } else {
        info_.Title = StreamNames::titleFromUrl(name);
    }
    const std::uint64_t length = a.ChannelGetLength(decodeChannel_, AUDIO_POS_BYTE);
    const double seconds = length == kNone64 ? 0.0 : a.ChannelBytes2Seconds(decodeChannel_, length);
    info_.Duration = roundMs(seconds);

    // Ask for the download's end before looking, so an end that comes in
    // between still arrives; an answer about a complete file is ignored.
    const AUDIO_HANDLE sync =
        syncsSet ? 0 : a.ChannelSetSync(decodeChannel_, AUDIO_SYNC_DOWNLOAD, 0, &downloadSync, mailbox_.get());
    const std::uint64_t size = a.StreamGetFilePosition(decodeChannel_, AUDIO_FILEPOS_END);
    if (size != kNone64) {
        info_.StreamSize = static_cast<std::uint32_t>(size);
        info_.BitRate = seconds > 0 ? static_cast<std::int32_t>(std::lround(double(info_.StreamSize) / (seconds * 125.0))) : 0;
        downloadComplete_ = a.StreamGetFilePosition(decodeChannel_, AUDIO_FILEPOS_DOWNLOAD) == size;
    }
    if (downloadComplete_ && sync)
        a.ChannelRemoveSync(decodeChannel_, sync);
}

void TStreamPlayer::openRadio()
{
    const AudioApi &a = api();
    netRadio_ = true;
    const char *icy = a.ChannelGetTags(decodeChannel_, AUDIO_TAG_ICY);
    info_.BitRate = StreamNames::icyBitRate(StreamNames::splitTagList(icy));
    const char *meta = a.ChannelGetTags(decodeChannel_, AUDIO_TAG_META);
    if (meta && StreamNames::hasStreamTitle(meta))
        info_.Title = Windows1250::decode(StreamNames::streamTitle(meta));
    a.ChannelSetSync(decodeChannel_, AUDIO_SYNC_META, 0, &metaSync, mailbox_.get());
    // A station whose reconnections fail for good is reported like a file.
    a.ChannelSetSync(decodeChannel_, AUDIO_SYNC_DOWNLOAD, 0, &downloadSync, mailbox_.get());
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
        dropAhead();
        for (const std::uint32_t channel : retired_)
            api().StreamFree(channel);
        retired_.clear();
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

void TStreamPlayer::Play()
{
    if (kind_ == ChannelKind::ckNone || mode_ == plmPlaying)
        return;
    if (outputCarriesOver_) {
        outputCarriesOver_ = false;
        SetMode(plmPlaying);
        if (std::exchange(downloadedCarried_, false))
            onDownloadComplete();
        if (std::exchange(downloadFailedCarried_, false))
            onDownloadFailed();
        if (std::exchange(endCarried_, false))
            onEndSync();
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
        endSyncSet_ = a.ChannelSetSync(decodeChannel_, AUDIO_SYNC_END, 0, &endSync, mailbox_.get()) != 0;
    SetMode(plmPlaying);
    if (std::exchange(downloadedCarried_, false))
        onDownloadComplete();
    if (std::exchange(downloadFailedCarried_, false))
        onDownloadFailed();
    if (std::exchange(endCarried_, false))
        onEndSync();
    if (ahead_)
        ahead_->queued = false; // a new output knows nothing queued
    queueAhead();
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
    if (OnModeChange)
        OnModeChange(old, mode);
    emit events_->OnModeChange(old, mode);
}

std::uint32_t TStreamPlayer::msOfLength() const
{
    const std::uint64_t length = api().ChannelGetLength(decodeChannel_, AUDIO_POS_BYTE);
    if (length == kNone64)
        return 0;
    return roundMs(api().ChannelBytes2Seconds(decodeChannel_, length));
}

std::uint32_t TStreamPlayer::PlayLength() const
{
    // A live station has no length; the library's estimate only grows with it.
    if (kind_ == ChannelKind::ckNone || netRadio_)
        return 0;
    return msOfLength();
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
    return roundMs(api().ChannelBytes2Seconds(decodeChannel_, static_cast<std::uint64_t>(bytes)));
}

void TStreamPlayer::SetPosition(std::uint32_t ms)
{
    if (kind_ == ChannelKind::ckNone || ms > PlayLength())
        return;
    const AudioApi &a = api();
    // The next stream already follows in the output: going back in this one
    // undoes that, and the next is opened once more.
    const bool unchained = AheadChained();
    if (unchained)
        dropAhead();
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
        maybeOpenAhead();
}

void TStreamPlayer::SetVolume(std::uint32_t volume)
{
    if (volume > 255)
        volume = 255;
    volume_ = volume;
    if (!library_->loaded() || !ready_)
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

void TStreamPlayer::handleEvent(QEvent *event)
{
    auto *message = dynamic_cast<EngineEvent *>(event);
    if (!message)
        return;
    if (message->message == EngineEvent::Opened) {
        onOpened(message->attempt, message->channel);
        return;
    }
    if (ahead_ && ahead_->channel && message->channel == ahead_->channel) {
        if (message->message == EngineEvent::PlayEnd)
            ahead_->ended = true;
        else if (message->message == EngineEvent::DownloadFailed)
            ahead_->downloadFailed = true;
        return;
    }
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
    if (AheadChained()) {
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
    if (OnPlayEnd)
        OnPlayEnd();
    emit events_->OnPlayEnd();
}

void TStreamPlayer::onMeta(const QString &title)
{
    info_.Title = title;
    if (OnGetMeta)
        OnGetMeta(info_.Title);
    emit events_->OnGetMeta(info_.Title);
}

void TStreamPlayer::onDownloadComplete()
{
    if (downloadComplete_)
        return;
    const AudioApi &a = api();
    downloadComplete_ = true;
    const QString extension = StreamNames::extensionOf(streamName_).toUpper();
    QByteArray id3v1;
    QByteArray id3v2;
    if (extension == QLatin1String(".MP3") || extension == QLatin1String(".MP2")
        || extension == QLatin1String(".MP1")) {
        if (const char *block = a.ChannelGetTags(decodeChannel_, AUDIO_TAG_ID3))
            id3v1 = QByteArray(block, 128);
        else if (const char *block2 = a.ChannelGetTags(decodeChannel_, AUDIO_TAG_ID3V2))
            id3v2 = QByteArray(block2, id3v2Length(block2));
    }
    const std::uint64_t size = a.StreamGetFilePosition(decodeChannel_, AUDIO_FILEPOS_END);
    if (size != kNone64)
        info_.StreamSize = static_cast<std::uint32_t>(size);
    if (!id3v1.isEmpty())
        Id3Reader::readV1(id3v1, info_);
    else if (!id3v2.isEmpty())
        Id3Reader::readV2(id3v2, info_);
    info_.Duration = msOfLength();
    if (OnDownloaded)
        OnDownloaded(QString::number(info_.Duration));
    emit events_->OnDownloaded(QString::number(info_.Duration));
    maybeOpenAhead();
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
    showError(QStringLiteral("Přenos skladby se přerušil a nepodařilo se jej obnovit:\n") + streamName_);
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
