#pragma once

#include "analytics/tracker/TrackLogger.h"
#include "utils/Handles.h"

#include <mutex>
#include <string>

namespace tarvo::tracking {

// Opens (creating when missing) the log file and keeps it open until destruction.
class NativeTrackLogger : public TrackLogger {
public:
    explicit NativeTrackLogger(const std::wstring& path);
    bool IsOpen() const override;

private:
    mutable std::mutex m_mutex;
    Utils::UniqueFile m_file;
};

} // namespace tarvo::tracking
