#pragma once

#include <QByteArray>

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

struct AudioApi;
struct SyncMailbox;

// Creates URL streams on worker threads, because the library's creation call
// waits for the server's first bytes. Each outcome is posted through the
// mailbox as an Opened message; the engine decides on the user-interface
// thread whether the attempt still counts. Used from that thread only.
class StreamOpener
{
public:
    StreamOpener(const AudioApi &api, SyncMailbox &mailbox);
    ~StreamOpener(); // joins; the library must already be freed, which ends every creation
    StreamOpener(const StreamOpener &) = delete;
    StreamOpener &operator=(const StreamOpener &) = delete;

    void start(std::uint64_t attempt, const QByteArray &url, std::uint32_t flags);
    // The attempt's thread has posted its outcome; collects the thread.
    void finished(std::uint64_t attempt);
    void joinAll();

private:
    const AudioApi &api_;
    SyncMailbox &mailbox_;
    std::vector<std::pair<std::uint64_t, std::thread>> workers_;
};
