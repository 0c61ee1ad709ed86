#pragma once

#include "PlayerTypes.h"
#include "StreamFacts.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class AudioSession;
class FollowingStream;
class EngineWindow;
class OutputPipeline;
class QEvent;
class StreamOpener;
struct AudioApi;
struct SyncMailbox;

// The program's one player: opens an internet stream through the audio
// library, plays, pauses, stops and seeks it, and reports its state. Every
// call and every event happens on the user-interface thread; the library's
// callbacks only post to the engine's window. Any number of listeners may
// connect to the events; they may call any operation, but must not destroy
// the engine (use deleteLater for that).
class TStreamPlayer : public QObject
{
    Q_OBJECT

public:
    using ErrorBox = std::function<void(const QString &text)>;
    using WarningBox = std::function<void(const QString &caption, const QString &text)>;
    // The outcome of Open: true when the new stream is ready to play.
    using OpenDone = std::function<void(bool opened)>;

    struct Setup
    {
        // Shows an error box captioned "Chyba" and returns once dismissed.
        // Unset: the text goes to qWarning.
        ErrorBox ShowError;
        // The one box with its own caption ("Error!"). Unset: qWarning.
        WarningBox ShowWarning;
        // Where libsonaroaudio.so and its add-ons live; empty means the
        // program's own folder.
        QString LibraryFolder;
        // Output device handed to the library: 1 the system's default
        // output, 0 the library's silent device.
        int OutputDevice = 1;
    };

    explicit TStreamPlayer(QObject *owner = nullptr);
    TStreamPlayer(QObject *owner, Setup setup);
    ~TStreamPlayer() override;

    QString Version() const { return QStringLiteral("1.91"); }
    // "low.high" 16-bit halves of the library's version; empty unless ready.
    QString AudioLibVer() const;
    bool DX8EffectReady() const;

    bool SingleChannel() const { return singleChannel_; }
    // Applies to the next Open.
    void SetSingleChannel(bool single);

    // Opens a stream without waiting on the network: the connection is made
    // on a worker thread, and done runs on this thread once the stream is
    // ready (true) or the attempt failed (false, after the error box). A
    // newer Open supersedes a pending one, whose done then gets false with
    // no box. A failure that needs no network runs done before Open
    // returns. Destroying the engine drops a pending done.
    void Open(const QByteArray &name, OpenDone done);
    bool OpenPending() const { return pending_.has_value(); }
    // The stream that is to follow this one (empty: none). It is opened
    // once this one has been downloaded whole and, in dual-channel mode
    // with the same format, decoded right after it, so that its first
    // sample follows this one's last; an Open of that name then takes it
    // over. Any Open forgets it.
    void OpenAhead(const QByteArray &name);
    // The following stream's output has already begun (for tests and the bench).
    bool AheadChained() const;
    void Play();
    void Pause(bool paused);
    void Stop();

    TPlayerMode Mode() const { return mode_; }
    std::uint32_t PlayLength() const;
    std::uint32_t Position() const;
    void SetPosition(std::uint32_t ms);
    std::uint32_t Volume() const { return volume_; }
    void SetVolume(std::uint32_t volume);
    std::uint32_t DownloadedBytes() const;
    bool NetStream() const { return netStream_; }
    const TStreamInfo &StreamInfo() const { return info_; }
    QByteArray StreamName() const { return streamName_; }
    QString DecoderName() const { return decoderName_; }
    // Releases decoder add-ons in the eight slots; this build never fills
    // them, so it releases nothing.
    int FreeAddOns(std::uint32_t handle);

    // Playing, but the sound has run dry and waits for data from the network.
    bool WaitingForData() const;
    // The library is reconnecting to the stream's server.
    bool Reconnecting() const;
    // Stopped because the download failed for good; Play goes on from Position.
    bool StoppedAtFault() const { return stoppedAtFault_; }

    // Decoded bytes waiting in the output pipeline (0 in single-channel mode).
    std::uint32_t BufferedBytes() const;
    // Output callback calls that found the pipeline short of data.
    std::uint64_t Underruns() const;
    // The library handle that is played (the pipeline's stream, or the
    // decoding channel in single-channel mode); 0 before Play.
    std::uint32_t OutputChannel() const;
    // Bytes of the ring the pipeline uses now.
    std::uint32_t RingBytes() const;

signals:
    void OnPlayEnd();
    // Every change of Mode, also when old equals new.
    void OnModeChange(TPlayerMode oldMode, TPlayerMode newMode);
    void OnGetMeta(const QString &content);
    // content: Duration in ms as decimal text.
    void OnDownloaded(const QString &content);

private:
    friend class EngineWindow;

    bool ready() const { return ready_; }
    const AudioApi &api() const;
    void showError(const QString &text);
    void failOpen(bool wasPlaying, const QString &text, bool resumeFirst = false);
    void onOpened(std::uint64_t attempt, std::uint32_t channel);
    // Where a stream to start comes from: an ordinary Open, the stream
    // opened ahead, or that stream already following in the output.
    enum class Origin { Opened, Ahead, Chained };
    void startStream(const QByteArray &name, std::uint32_t channel, bool singleChannel, const OpenDone &done,
                     Origin origin);
    bool takeFollower(const QByteArray &name, const OpenDone &done);
    // Ends a pending Open with false (no box); whether it had paused a playing stream.
    bool supersedePending();
    void openFollower();
    StreamFacts::Format outputFormat() const;
    void Close(bool keepOutput = false);
    void PausePlay();
    void ResumePlay();
    void RestartPlay();
    void SetMode(TPlayerMode mode);
    void actOnCarriedEvents();
    void handleEvent(QEvent *event);
    void onEndSync();
    void drainTick();
    void onMeta(const QString &title);
    void onDownloadComplete();
    void onDownloadFailed();
    void faultTick();
    bool soundRanDry() const;
    void resumeDownload();

    Setup setup_;
    // Library callbacks post through it; outlives the library.
    std::unique_ptr<SyncMailbox> mailbox_;
    std::unique_ptr<AudioSession> session_;
    std::unique_ptr<OutputPipeline> pipeline_;
    EngineWindow *window_ = nullptr; // child QObject
    std::unique_ptr<StreamOpener> opener_;
    std::unique_ptr<FollowingStream> following_;

    // An Open waiting for its worker; only the newest counts.
    struct PendingOpen
    {
        std::uint64_t attempt = 0;
        QByteArray name;
        bool wasPlaying = false;
        bool singleChannel = true;
        OpenDone done;
    };
    std::optional<PendingOpen> pending_;
    std::uint64_t lastAttempt_ = 0;

    bool ready_ = false;
    bool outputEmulatorReady_ = false;
    bool requestedSingleChannel_ = true;
    bool singleChannel_ = true;

    ChannelKind kind_ = ChannelKind::ckNone;
    std::uint32_t decodeChannel_ = 0;
    std::uint32_t outputChannel_ = 0;
    bool eightBit_ = false;
    TPlayerMode mode_ = plmStandby;
    QByteArray streamName_;
    TStreamInfo info_;
    QString decoderName_;
    bool netStream_ = false;
    bool netRadio_ = false;
    bool downloadComplete_ = false;
    bool seekWhilePaused_ = false;
    std::uint32_t volume_ = 255;
    // The end sync arrived and the output is still playing what was buffered.
    bool draining_ = false;
    // The end sync came while paused; it counts once playing resumes.
    bool endPending_ = false;
    bool endSyncSet_ = false;
    // The library gave up on the download; once the data that arrived has
    // played, the engine stops there and reports it.
    bool downloadFailed_ = false;
    bool stoppedAtFault_ = false;
    // The output already plays the taken-over stream; Play only takes note.
    bool outputCarriesOver_ = false;
    // Carried over from the stream's time ahead, acted on by Play.
    bool endCarried_ = false;
    bool downloadedCarried_ = false;
    bool downloadFailedCarried_ = false;
};
