#include "support/InstallerPath.h"
#include "utils/Handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs Installer.exe to its end and returns its exit code.
DWORD RunInstaller()
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // No standard streams: nothing the installer starts may hold on to the test runner's pipe.
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + InstallerPath() + L"\"";
    EXPECT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        << "cannot start " << std::string(commandLine.begin(), commandLine.end());
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);
    if (!process) return 0xDEADBEEF;
    EXPECT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 0xDEADBEEF;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

TEST(EntryPointTest, ASecondCopyExitsWithMinusOneWhileTheFirstHoldsTheGuard)
{
    // This test process plays the first copy: it holds the installer's mutex.
    Utils::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, L"D1A547DB89C0BC61_Installer_lumacut"));
    ASSERT_TRUE(mutex.valid());
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "another installer is running";
    EXPECT_EQ(RunInstaller(), static_cast<DWORD>(-1));

    // Once the first copy lets go, a new copy starts and ends normally.
    ReleaseMutex(mutex.get());
    mutex.reset();
    EXPECT_EQ(RunInstaller(), 0u);
}

} // namespace
