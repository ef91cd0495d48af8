// Installer.exe: the entry point and the process lifetime.

#include "analytics/installer/InstallerAnalytics.h"
#include "app/LaunchSettings.h"
#include "download/CurlGlobal.h"
#include "utils/SingleInstance.h"

#include <windows.h>

#include <iterator>
#include <string>

namespace {

constexpr wchar_t kSingleInstanceName[] = L"Installer_lumacut";

// Last-chance handler for a crash on any thread: two reports (the crash report leaves at
// once), then the system's default crash handling.
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* /*exception*/)
{
    ReportInstallerEvent(L"崩溃退出", L"", 0, InstallerAbProperties());
    ReportCrash();
    return EXCEPTION_CONTINUE_SEARCH;
}

// Keeps the current directory (and anything else planted next to the installer) out of the
// library search order, then loads the system libraries the process needs from System32.
void HardenLibraryLoading()
{
    wchar_t systemDirectory[MAX_PATH] = {};
    GetSystemDirectoryW(systemDirectory, MAX_PATH);

    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll")) {
        // Looked up at run time: older systems do not export it.
        if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories"))))
            setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");

    static constexpr const wchar_t* kPreload[] = {
        L"ieframe.dll", L"version.dll", L"sxs.dll",    L"ws2help.dll",       L"dwmapi.dll",
        L"msimg32.dll", L"d3d8.dll",    L"ws2_32.dll", L"WindowsCodecs.dll",
    };
    // Loaded for the life of the process; a library missing on this system is skipped.
    for (const wchar_t* name : kPreload) LoadLibraryW((std::wstring(systemDirectory) + L"\\" + name).c_str());
}

} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/)
{
    SetUnhandledExceptionFilter(&CrashFilter);
    HardenLibraryLoading();

    CurlGlobal curl;
    if (curl.Init() != 0) {
        g_LaunchSettings.m_LibcurlReady = false;
        // Analytics has not started yet, so this report is dropped.
        ReportInstallerEvent(L"libcurl初始化失败", L"", 0, InstallerAbProperties());
    }

    Utils::SingleInstance instance(kSingleInstanceName);
    instance.Acquire();
    if (!instance.acquired()) return -1; // another copy runs: leave silently

    // Analytics sees the settings file's values: the command line is applied afterwards.
    StartAnalytics();
    g_LaunchSettings.ApplyProcessCommandLine();

    // The UI framework start-up and the modal main window run here.

    if (g_LaunchSettings.m_IsEnableAppAnalytics) StopAnalytics(); // flushes the run's records
    curl.Cleanup();
    instance.Release();
    return 0;
}
