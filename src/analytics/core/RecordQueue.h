#pragma once

#include "analytics/core/RecordSender.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qx_analytics {

namespace utils {
class ObjectNode;
}

// The records waiting to be sent, oldest first, at most 1024 (the oldest is dropped beyond).
// A staging file keeps them between runs: it is read once (at the first flush or at
// destruction), truncated right after reading, and rewritten with what is left at destruction.
//
// Threads: Send() may be called from any thread and takes only the records lock, never waiting
// for the network. Flush()/FlushAll() serialise on the flush lock and block for the requests.
class RecordQueue {
public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kBatchLimit = 30;

    RecordQueue(std::unique_ptr<RecordSender> sender, std::wstring stagingPath);
    // Writes every queued record to the staging file.
    ~RecordQueue();
    RecordQueue(const RecordQueue&) = delete;
    RecordQueue& operator=(const RecordQueue&) = delete;

    void Send(const utils::ObjectNode& record);
    void SendText(std::string json);

    // Sends one batch of up to 30; true when it was delivered or there was nothing to send.
    bool Flush();
    // Flushes until the queue is empty (true) or a batch fails (false; the rest stays queued).
    bool FlushAll();

    // Writes the queued records to the staging file now (after reading what it held), keeping
    // them queued. For a process that may not live to destroy the queue.
    void Stage();

    std::vector<std::string> Snapshot() const;

private:
    void LoadStagingIfNeeded();
    void LoadStagingLocked();
    void DumpStagingLocked();
    void PutBackLocked(const std::vector<std::string>& batch);

    std::unique_ptr<RecordSender> m_sender;
    const std::wstring m_stagingPath;
    std::deque<std::string> m_records;
    bool m_stagingNotLoaded = true;
    mutable std::mutex m_recordsLock;
    std::mutex m_flushLock; // taken before m_recordsLock
};

} // namespace qx_analytics
