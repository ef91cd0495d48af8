#pragma once

#include "download/DownloadCallback.h"
#include "utils/Handles.h"

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

struct Event {
    int32_t code;
    double value;
    std::wstring text;

    bool operator==(const Event&) const = default;
};

inline void PrintTo(const Event& event, std::ostream* out)
{
    std::string text;
    for (const wchar_t c : event.text) {
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            char escaped[16];
            snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            text += escaped;
        }
    }
    *out << "{" << event.code << ", " << event.value << ", \"" << text << "\"}";
}

// Records the events of one runner, from its worker thread, and signals when one of the
// final codes arrives.
class EventRecorder {
public:
    explicit EventRecorder(std::set<int32_t> finalCodes = {})
        : m_finalCodes(std::move(finalCodes)), m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {}

    DownloadCallback Callback()
    {
        return [this](int32_t code, double value, const wchar_t* text) {
            std::lock_guard lock(m_mutex);
            m_events.push_back({code, value, text});
            m_ticks.push_back(GetTickCount());
            if (m_finalCodes.count(code)) SetEvent(m_done.get());
        };
    }

    // Waits (bounded) for a final code; true when one arrived.
    bool WaitForFinal(DWORD milliseconds = 30000) const
    {
        return WaitForSingleObject(m_done.get(), milliseconds) == WAIT_OBJECT_0;
    }

    std::vector<Event> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    // GetTickCount when the first event with `code` and `value` arrived; 0 when none did.
    DWORD TickOf(int32_t code, double value) const
    {
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < m_events.size(); ++i)
            if (m_events[i].code == code && m_events[i].value == value) return m_ticks[i];
        return 0;
    }

private:
    std::set<int32_t> m_finalCodes;
    Utils::UniqueHandle m_done;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    std::vector<DWORD> m_ticks;
};
