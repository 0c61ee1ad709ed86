#include "StreamOpener.h"

#include "AudioApi.h"
#include "SyncMailbox.h"

#include <algorithm>

StreamOpener::StreamOpener(const AudioApi &api, SyncMailbox &mailbox) : api_(api), mailbox_(mailbox) {}

StreamOpener::~StreamOpener()
{
    joinAll();
}

void StreamOpener::start(std::uint64_t attempt, const QByteArray &url, std::uint32_t flags)
{
    // The api table and the mailbox outlive every worker: the engine joins
    // them before it unloads the library and frees the mailbox.
    workers_.emplace_back(attempt, std::thread([this, attempt, url, flags] {
        const std::uint32_t channel = api_.StreamCreateURL(url.constData(), 0, flags, nullptr, nullptr);
        mailbox_.postOpened(attempt, channel);
    }));
}

void StreamOpener::finished(std::uint64_t attempt)
{
    const auto it = std::find_if(workers_.begin(), workers_.end(), [&](const auto &w) { return w.first == attempt; });
    if (it == workers_.end())
        return;
    // Posting was the worker's last act, so this join is immediate.
    it->second.join();
    workers_.erase(it);
}

void StreamOpener::joinAll()
{
    for (auto &worker : workers_)
        worker.second.join();
    workers_.clear();
}
