#include "analytics/tracker/NativeTrackLogger.h"

namespace tarvo::tracking {

NativeTrackLogger::NativeTrackLogger(const std::wstring& path)
    : m_file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
{}

bool NativeTrackLogger::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_file.valid();
}

} // namespace tarvo::tracking
