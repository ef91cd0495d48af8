#pragma once

#include <cstdint>
#include <string>

// What the package told about the installed product through its value events (3000-3009),
// collected by whoever receives the installation's events.
struct PackageReport {
    enum StartupStyle { NonStartup = 0, AutoStartup = 1, UserStartup = 2 };

    // Takes the value events; other codes are ignored. Returns whether the event was one of them.
    bool Apply(int32_t code, double value, const wchar_t* text);

    std::wstring installPath;      // 3000 InstPath
    std::wstring exePath;          // 3001 ExePath / StartExe
    std::wstring uninstallExe;     // 3002 UninstExePath / UninstExe
    std::wstring uninstallerEp;    // 3003 UninstEp
    std::wstring startUrl;         // 3004 StartUrl
    int startupStyle = NonStartup; // 3005
    int topShowDetention = 0;      // 3007
    int finishCloseDetention = 0;  // 3008
    std::wstring message;          // 3009
};
