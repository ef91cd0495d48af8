#pragma once

#include "utils/DebugLog.h"

#include <mutex>
#include <string>
#include <vector>

// Collects the diagnostic lines written, from any thread, while it is alive. One capture at a
// time; it starts empty.
class LogCapture {
public:
    LogCapture()
    {
        Clear();
        m_previous = Utils::SetDebugLogSink(&LogCapture::Sink);
    }
    ~LogCapture() { Utils::SetDebugLogSink(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::wstring> Lines() const
    {
        std::lock_guard lock(Mutex());
        return Store();
    }

    // Lines that contain `fragment`.
    std::vector<std::wstring> Matching(const std::wstring& fragment) const
    {
        std::vector<std::wstring> found;
        for (const auto& line : Lines())
            if (line.find(fragment) != std::wstring::npos) found.push_back(line);
        return found;
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::wstring>& Store()
    {
        static std::vector<std::wstring> lines;
        return lines;
    }
    static void Clear()
    {
        std::lock_guard lock(Mutex());
        Store().clear();
    }
    static void Sink(const wchar_t* line)
    {
        std::lock_guard lock(Mutex());
        Store().emplace_back(line);
    }

    Utils::DebugLogSink m_previous = nullptr;
};
