#include "utils/Handles.h"
#include "utils/HardDiskManager.h"
#include "utils/Registry.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

// Removes the test's own value from the product key afterwards.
class RegistryTest : public ::testing::Test {
protected:
    const std::wstring name = L"UnitTestValue" + std::to_wstring(GetCurrentProcessId());
    void TearDown() override
    {
        Utils::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Utils::kProductRegistryKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
            RegDeleteValueW(key.get(), name.c_str());
    }
};

TEST_F(RegistryTest, RoundTripsAString)
{
    const std::wstring text = L"C:\\Program Files\\LumaCut\\安装";
    ASSERT_TRUE(Utils::WriteRegString(name, text));
    std::wstring read = L"unchanged";
    DWORD type = 0;
    ASSERT_TRUE(Utils::ReadRegString(name, read, &type));
    EXPECT_EQ(read, text);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryTest, ReadsAValueStoredWithoutATerminatorWhole)
{
    // The character after the counted data is not NUL, so the system stores exactly 3
    // characters and no terminator.
    const wchar_t data[] = L"abcX";
    Utils::UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Utils::kProductRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 3 * sizeof(wchar_t)),
        ERROR_SUCCESS);
    DWORD bytes = 0;
    ASSERT_EQ(RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, &bytes), ERROR_SUCCESS);
    ASSERT_EQ(bytes, 3 * sizeof(wchar_t));

    std::wstring read;
    ASSERT_TRUE(Utils::ReadRegString(name, read));
    EXPECT_EQ(read, L"abc");
}

TEST_F(RegistryTest, MissingValueLeavesTheOutputUnchanged)
{
    std::wstring read = L"unchanged";
    EXPECT_FALSE(Utils::ReadRegString(name, read));
    EXPECT_EQ(read, L"unchanged");
}

TEST_F(RegistryTest, EmptyStringRoundTrips)
{
    ASSERT_TRUE(Utils::WriteRegString(name, L""));
    std::wstring read = L"x";
    ASSERT_TRUE(Utils::ReadRegString(name, read));
    EXPECT_EQ(read, L"");
}

TEST(HardDiskManagerTest, FillsTheCountersOfAnExistingDrive)
{
    Utils::HardDiskManager disk;
    ASSERT_TRUE(disk.CheckFreeSpace(L"C:"));
    EXPECT_GT(disk.totalBytes, 0u);
    EXPECT_LE(disk.freeBytesAvailable, disk.totalBytes);
}

TEST(HardDiskManagerTest, MissingDriveFailsLogsTheCodeAndKeepsTheCounters)
{
    LogCapture log;
    Utils::HardDiskManager disk;
    EXPECT_FALSE(disk.CheckFreeSpace(L"Q:\\no-such-drive"));
    EXPECT_EQ(disk.freeBytesAvailable, 0u);
    EXPECT_EQ(disk.totalBytes, 0u);
    EXPECT_EQ(disk.totalFreeBytes, 0u);
    const auto lines = log.Matching(L"(Utils::HardDiskManager::CheckFreeSpace)");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L": HardDiskManager::CheckFreeSpace FAIL code="), std::wstring::npos);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), L"\r\n");
}

} // namespace
