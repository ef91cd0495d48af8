#pragma once

#include <cstdint>
#include <string>

namespace Utils {

// Free-space query for one volume. Users create it with the counters at 0 and read
// `freeBytesAvailable` (the bytes the calling user may use) after a successful check.
class HardDiskManager {
public:
    virtual ~HardDiskManager() = default;

    // Fills the three counters for the volume holding `directory` (a drive such as "C:" or
    // any path on it). On failure logs the system error code and leaves the counters alone.
    bool CheckFreeSpace(const std::wstring& directory);

    uint64_t freeBytesAvailable = 0;
    uint64_t totalBytes = 0;
    uint64_t totalFreeBytes = 0;
};

} // namespace Utils
