#pragma once

#include <cstdint>
#include <string>

namespace Cli {

// The --stats line of a stage: "stats<TAB>elapsed_ms=…<TAB>bytes=…<TAB>peak_working_set=…",
// the process's peak working set in bytes.
void PrintStats(uint64_t elapsedMs, int64_t bytes);

// Size of a file in bytes; 0 when it cannot be read.
int64_t FileSize(const std::wstring& path);

} // namespace Cli
