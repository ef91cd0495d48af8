#pragma once

#include <windows.h>

#include <string>

// build/Installer.exe, found from the running test's location (build/tests/unit/<area>/).
inline std::wstring InstallerPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    for (int level = 0; level < 4; ++level) dir = dir.substr(0, dir.find_last_of(L'\\'));
    return dir + L"\\Installer.exe";
}
