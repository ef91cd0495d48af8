#pragma once

#include <cstdint>

namespace Utils {

// Seconds since Start(), from the millisecond tick count (a counter wrap is harmless).
class Stopwatch {
public:
    void Start();
    void Stop() { running = false; }
    // 0 when not running.
    float ElapsedSeconds() const;

    uint32_t startTick = 0;
    bool running = false;
};

} // namespace Utils
