#include "utils/HardDiskManager.h"

#include "utils/DebugLog.h"

#include <windows.h>

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory)
{
    ULARGE_INTEGER available{}, total{}, free{};
    if (GetDiskFreeSpaceExW(directory.c_str(), &available, &total, &free)) {
        freeBytesAvailable = available.QuadPart;
        totalBytes = total.QuadPart;
        totalFreeBytes = free.QuadPart;
        return true;
    }
    LOG_LINE(L"Utils::HardDiskManager::CheckFreeSpace", L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n",
             static_cast<long>(GetLastError()));
    return false;
}

} // namespace Utils
