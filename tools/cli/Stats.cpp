#include "Stats.h"

#include "Output.h"

#include <windows.h>

#include <psapi.h>
#include <sys/stat.h>

namespace Cli {

void PrintStats(uint64_t elapsedMs, int64_t bytes)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    Print(L"stats\telapsed_ms=" + std::to_wstring(elapsedMs) + L"\tbytes=" + std::to_wstring(bytes) +
          L"\tpeak_working_set=" + std::to_wstring(counters.PeakWorkingSetSize) + L"\n");
}

int64_t FileSize(const std::wstring& path)
{
    struct _stat64 status;
    return _wstat64(path.c_str(), &status) == 0 ? status.st_size : 0;
}

} // namespace Cli
