#include "analytics/core/RecordQueue.h"

#include "analytics/core/ErrorOutput.h"
#include "analytics/core/Json.h"
#include "analytics/core/SendStatus.h"
#include "utils/Handles.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <list>

namespace qx_analytics {

namespace {

bool IsRecordLine(const std::string& line)
{
    return !line.empty() && line.front() == '{' && line.back() == '}';
}

bool ReadLine(FILE* file, std::string& line)
{
    line.clear();
    int c = 0;
    while ((c = std::fgetc(file)) != EOF && c != '\n') line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return c != EOF || !line.empty();
}

} // namespace

RecordQueue::RecordQueue(std::unique_ptr<RecordSender> sender, std::wstring stagingPath)
    : m_sender(std::move(sender)), m_stagingPath(std::move(stagingPath))
{}

RecordQueue::~RecordQueue()
{
    std::lock_guard lock(m_recordsLock);
    if (m_stagingNotLoaded) LoadStagingLocked();
    DumpStagingLocked();
}

void RecordQueue::Send(const utils::ObjectNode& record)
{
    SendText(ToJson(record)); // serialised before the lock is taken
}

void RecordQueue::SendText(std::string json)
{
    std::lock_guard lock(m_recordsLock);
    m_records.push_back(std::move(json));
    if (m_records.size() > kCapacity) m_records.pop_front();
}

bool RecordQueue::Flush()
{
    LoadStagingIfNeeded();
    std::lock_guard flushLock(m_flushLock);
    std::vector<std::string> batch;
    {
        std::lock_guard lock(m_recordsLock);
        const size_t count = std::min(m_records.size(), kBatchLimit);
        if (count == 0) return true;
        batch.assign(std::make_move_iterator(m_records.begin()), std::make_move_iterator(m_records.begin() + count));
        m_records.erase(m_records.begin(), m_records.begin() + count);
    }
    try {
        std::string text = "[";
        for (size_t i = 0; i < batch.size(); ++i) {
            if (i) text += ',';
            text += batch[i];
        }
        text += ']';
        const RecordSender::Outcome outcome = m_sender ? m_sender->Send(text) : RecordSender::Outcome{};
        if (outcome.requested) SendStatus::Set(outcome.delivered);
        if (outcome.delivered) return true;
    } catch (const std::exception& error) {
        WriteError(std::string("Exception when flush failed: (") + error.what() + ") ");
    }
    // A batch that did not reach the endpoint goes back to the front, as far as room allows.
    std::lock_guard lock(m_recordsLock);
    PutBackLocked(batch);
    return false;
}

bool RecordQueue::FlushAll()
{
    LoadStagingIfNeeded();
    for (;;) {
        {
            std::lock_guard lock(m_recordsLock);
            if (m_records.empty()) return true;
        }
        if (!Flush()) return false;
    }
}

void RecordQueue::Stage()
{
    std::lock_guard lock(m_recordsLock);
    if (m_stagingNotLoaded) LoadStagingLocked();
    DumpStagingLocked();
}

std::vector<std::string> RecordQueue::Snapshot() const
{
    std::lock_guard lock(m_recordsLock);
    return {m_records.begin(), m_records.end()};
}

void RecordQueue::LoadStagingIfNeeded()
{
    std::lock_guard lock(m_recordsLock);
    if (m_stagingNotLoaded) LoadStagingLocked();
}

void RecordQueue::LoadStagingLocked()
{
    m_stagingNotLoaded = false;
    if (m_stagingPath.empty()) return;
    if (m_records.size() < kCapacity) {
        const size_t room = kCapacity - m_records.size();
        std::list<std::string> kept;
        Utils::UniqueCFile file(_wfopen(m_stagingPath.c_str(), L"rb"));
        std::string line;
        while (file && ReadLine(file.get(), line)) {
            if (!IsRecordLine(line)) continue;
            kept.push_back(line);
            if (kept.size() > room) kept.pop_front();
        }
        m_records.insert(m_records.begin(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
    }
    Utils::UniqueCFile truncate(_wfopen(m_stagingPath.c_str(), L"wb"));
}

void RecordQueue::DumpStagingLocked()
{
    if (m_stagingPath.empty()) return;
    Utils::UniqueCFile file(_wfopen(m_stagingPath.c_str(), L"wb"));
    if (!file) return;
    for (const std::string& record : m_records) {
        std::fwrite(record.data(), 1, record.size(), file.get());
        std::fputc('\n', file.get());
    }
}

void RecordQueue::PutBackLocked(const std::vector<std::string>& batch)
{
    const size_t room = kCapacity - std::min(kCapacity, m_records.size());
    const size_t count = std::min(room, batch.size());
    m_records.insert(m_records.begin(), batch.end() - static_cast<std::ptrdiff_t>(count), batch.end());
}

} // namespace qx_analytics
