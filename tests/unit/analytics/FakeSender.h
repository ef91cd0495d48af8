#pragma once

#include "analytics/core/RecordSender.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A record sender that keeps every batch it is given and answers as told. The test keeps the
// shared log while the queue owns the sender.
class FakeSender : public qx_analytics::RecordSender {
public:
    struct Log {
        std::mutex mutex;
        std::vector<std::string> batches;
        bool deliver = true;
        bool request = true;

        std::vector<std::string> Batches()
        {
            std::lock_guard lock(mutex);
            return batches;
        }
        void SetDelivering(bool value)
        {
            std::lock_guard lock(mutex);
            deliver = value;
        }
    };

    explicit FakeSender(std::shared_ptr<Log> log) : m_log(std::move(log)) {}

    Outcome Send(const std::string& batch) override
    {
        std::lock_guard lock(m_log->mutex);
        m_log->batches.push_back(batch);
        return {m_log->request, m_log->request && m_log->deliver};
    }

private:
    std::shared_ptr<Log> m_log;
};
