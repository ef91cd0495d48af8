#include "utils/SingleInstance.h"

#include <gtest/gtest.h>

namespace {

TEST(SingleInstanceTest, ASecondHolderOfTheSameNameIsRefusedUntilTheFirstReleases)
{
    const std::wstring name = L"UnitTest_" + std::to_wstring(GetCurrentProcessId());
    Utils::SingleInstance first(name);
    first.Acquire();
    ASSERT_TRUE(first.acquired());
    first.Acquire(); // holding already: nothing changes
    EXPECT_TRUE(first.acquired());

    Utils::SingleInstance second(name);
    second.Acquire();
    EXPECT_FALSE(second.acquired());

    first.Release();
    second.Acquire();
    EXPECT_TRUE(second.acquired());
}

TEST(SingleInstanceTest, UsesThePrefixedMutexName)
{
    const std::wstring name = L"UnitTestPrefix_" + std::to_wstring(GetCurrentProcessId());
    Utils::SingleInstance guard(name);
    guard.Acquire();
    ASSERT_TRUE(guard.acquired());
    Utils::UniqueHandle opened(OpenMutexW(SYNCHRONIZE, FALSE, (L"D1A547DB89C0BC61_" + name).c_str()));
    EXPECT_TRUE(opened.valid());
}

} // namespace
