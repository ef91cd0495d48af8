#pragma once

#include "analytics/core/ErrorOutput.h"

#include <mutex>
#include <string>
#include <vector>

// Collects the analytics library's error-stream lines while alive (one capture at a time).
class ErrorCapture {
public:
    ErrorCapture()
    {
        std::lock_guard lock(Mutex());
        Store().clear();
        m_previous = qx_analytics::SetErrorSink(&ErrorCapture::Sink);
    }
    ~ErrorCapture() { qx_analytics::SetErrorSink(m_previous); }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(Mutex());
        return Store();
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Store()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void Sink(const std::string& line)
    {
        std::lock_guard lock(Mutex());
        Store().push_back(line);
    }

    qx_analytics::ErrorSink m_previous = nullptr;
};
