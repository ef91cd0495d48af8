#include "utils/Paths.h"

#include <windows.h>

namespace Utils {

namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates one level unless it is already there.
bool EnsureDirectory(const std::wstring& path)
{
    return Exists(path) || CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace

std::wstring GetTempDir()
{
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring dir = std::wstring(temp, length) + L"~TarVoTemp.92482B06FB471E17\\";
    if (dir.size() >= MAX_PATH) return {};
    if (Exists(dir)) return dir;
    return CreateDirectoryW(dir.c_str(), nullptr) ? dir : std::wstring();
}

bool CreateDirectories(const std::wstring& path)
{
    if (path.size() > MAX_PATH) return false;
    for (size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
        if (!EnsureDirectory(path.substr(0, slash + 1))) return false;
    }
    if (!path.empty() && path.back() != L'\\' && !EnsureDirectory(path)) return false;
    return true;
}

} // namespace Utils
