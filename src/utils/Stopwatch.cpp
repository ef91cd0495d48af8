#include "utils/Stopwatch.h"

#include <windows.h>

namespace Utils {

void Stopwatch::Start()
{
    startTick = GetTickCount();
    running = true;
}

float Stopwatch::ElapsedSeconds() const
{
    if (!running) return 0.0f;
    const uint32_t elapsed = static_cast<uint32_t>(GetTickCount()) - startTick;
    return static_cast<float>(elapsed) / 1000.0f;
}

} // namespace Utils
