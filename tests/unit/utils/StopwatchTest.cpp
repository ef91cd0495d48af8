#include "utils/Stopwatch.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(StopwatchTest, NotRunningGivesZero)
{
    Utils::Stopwatch watch;
    watch.startTick = GetTickCount() - 5000;
    EXPECT_EQ(watch.ElapsedSeconds(), 0.0f);
}

TEST(StopwatchTest, CountsSecondsAcrossATickCounterWrap)
{
    Utils::Stopwatch watch;
    watch.running = true;
    // A start 2.5 s "before" a tick count near zero lies just below 2^32.
    watch.startTick = static_cast<uint32_t>(GetTickCount()) - 2500u;
    const float elapsed = watch.ElapsedSeconds();
    EXPECT_GE(elapsed, 2.5f);
    EXPECT_LT(elapsed, 60.0f);
}

TEST(StopwatchTest, StartResetsTheOrigin)
{
    Utils::Stopwatch watch;
    watch.Start();
    EXPECT_TRUE(watch.running);
    EXPECT_LT(watch.ElapsedSeconds(), 60.0f);
    watch.Stop();
    EXPECT_EQ(watch.ElapsedSeconds(), 0.0f);
}

} // namespace
