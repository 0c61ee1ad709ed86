#pragma once

#include "input/Cancellation.h"
#include "output/Channel.h"
#include "decode/Decoder.h"
#include "input/Download.h"
#include "input/StreamTags.h"

#include <mutex>


namespace sonaroaudio {

struct NetConfig {
    long timeoutMs;
    uint64_t memoryCap;
    uint64_t window;
    bool followRedirects;
    long retryBudgetMs;
};

// A stream of an internet file: its download, its decoder and, unless
// decode-only, the feeder that decodes ahead of the mixer.
class UrlStream : public Channel {
public:
    struct Shared;  // what the download thread's callbacks reach; outlives the stream's parts

    // Connects, recognises the format and decodes the first block; on
    // failure returns null and sets error to an AUDIO_ERROR_* code.
    // Another thread may end the waiting early through cancellation.
    static std::shared_ptr<UrlStream> create(const std::string &url, uint64_t offset, uint32_t flags,
                                             AUDIO_DOWNLOADPROC *proc, void *user, const NetConfig &net,
                                             Cancellation &cancellation, int &error);
    ~UrlStream() override;

    void shutdown() override;
    int play(bool restart) override;
    int stop() override;
    uint32_t activity() const override;
    int length(uint64_t &bytes) const override;
    int position(uint64_t &bytes) const override;
    int setPosition(uint64_t bytes) override;
    int getData(void *buffer, uint32_t size, uint32_t &delivered) override;
    int filePosition(uint32_t mode, uint64_t &value) const override;
    int tags(uint32_t type, const char *&tags) override;
    int fault() const override;

    // Private to create(); public for std::make_shared.
    UrlStream(const Format &format, bool decodeOnly, std::shared_ptr<Shared> shared,
              std::unique_ptr<Download> download, std::unique_ptr<Decoder> decoder, uint64_t offset);

protected:
    size_t produce(uint8_t *buffer, size_t size, bool &ended) override;
    bool prebuffer() const override { return true; }
    uint32_t bufferMs() const override { return 400; }
    int rewind() override;
    std::string metaText() const override;
    bool downloadEnded() const override { return downloadEnded_.load(); }

public:
    // After attach(): lets the download's callbacks reach the stream.
    void link();
    void addMeta(const std::string &text);
    void markDownloadEnded();

private:
    // Starts a failed download again; false when it had not failed.
    bool resumeDownload();

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Download> download_;
    std::unique_ptr<Decoder> decoder_;   // used with decodeMutex_ (decode-only) or feedMutex_ held
    const uint64_t offset_;
    std::atomic<bool> downloadEnded_{false};
    std::timed_mutex decodeMutex_;       // decode-only: held while pulling PCM or seeking
    std::atomic<uint64_t> delivered_{0}; // decode-only: bytes handed out since base_
    std::atomic<bool> ended_{false};     // decode-only: the end was reached and reported

    StreamTags tags_;                    // locks on its own

};

} // namespace sonaroaudio
