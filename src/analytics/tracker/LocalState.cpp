#include "analytics/tracker/LocalState.h"

#include "utils/Paths.h"
#include "utils/Text.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace tarvo::tracking {

namespace {

// Wider than any value the tracker writes, so a long server URL reads back whole and does not
// look like a server change on every run.
constexpr DWORD kValueBuffer = 2048;
constexpr wchar_t kBase[] = L"Base";

std::wstring Wide(const std::string& utf8)
{
    return Utils::ToWide(utf8, CP_UTF8);
}

std::string Utf8(const std::wstring& wide)
{
    return Utils::ToNarrow(wide, CP_UTF8);
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithBackslash(std::wstring folder)
{
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool IsWindows7OrLater()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    const auto getNumbers =
        ntdll ? reinterpret_cast<GetNumbers>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetNtVersionNumbers")))
              : nullptr;
    if (!getNumbers) return true;
    DWORD major = 0, minor = 0, build = 0;
    getNumbers(&major, &minor, &build);
    return major > 6 || (major == 6 && minor >= 1);
}

std::wstring BaseFolder()
{
    wchar_t path[MAX_PATH] = {};
    const int folder = IsWindows7OrLater() ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_DOCUMENTS;
    if (FAILED(SHGetFolderPathW(nullptr, folder | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(shortPath) : std::wstring(path);
}

std::string FormatGuid(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string RandomVersion4Id()
{
    static bool seeded = false;
    if (!seeded) {
        std::srand(static_cast<unsigned>(std::time(nullptr)) ^ GetCurrentProcessId());
        seeded = true;
    }
    unsigned values[8];
    for (unsigned& value : values) value = static_cast<unsigned>(std::rand()) & 0xFFFF;
    values[3] = (values[3] & 0x0FFF) | 0x4000;
    values[4] = values[4] % 0x3FFF + 0x8000;
    char text[64];
    std::snprintf(text, sizeof text, "%x%x-%x-%x-%x-%x%x%x", values[0], values[1], values[2], values[3], values[4],
                  values[5], values[6], values[7]);
    return text;
}

} // namespace

void LocalState::LocateFiles(const std::wstring& executableFolder, const std::string& appName)
{
    const std::wstring overrideFile = WithBackslash(executableFolder) + L"Set.ini";
    std::wstring statePath;
    if (FileExists(overrideFile)) {
        wchar_t value[kValueBuffer] = {};
        GetPrivateProfileStringW(L"Install", L"QXAnalyticsIni", L"", value, kValueBuffer, overrideFile.c_str());
        statePath = Utils::ReplaceAll(value, L"/", L"\\");
    }
    const size_t lastBackslash = statePath.rfind(L'\\');
    if (statePath.empty() || lastBackslash == std::wstring::npos) {
        LocateFilesUnder(BaseFolder(), appName);
        return;
    }
    dataFolder = statePath.substr(0, lastBackslash + 1);
    Utils::CreateDirectories(dataFolder);
    stateFilePath = statePath;
}

void LocalState::LocateFilesUnder(const std::wstring& baseFolder, const std::string& appName)
{
    std::wstring folder = baseFolder;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    folder += Wide(kFolderName);
    Utils::CreateDirectories(folder);
    dataFolder = folder + Wide(appName) + L"\\";
    Utils::CreateDirectories(dataFolder);
    stateFilePath = dataFolder + Wide(appName + "_" + kStateFileName);
}

void LocalState::Load()
{
    userId.clear();
    distinctId.clear();
    primaryDistinctId.clear();
    loggedIn = false;
    serverUrl.clear();
    if (FileExists(stateFilePath)) {
        distinctId = Read(L"DistinctId");
        primaryDistinctId = Read(L"PrimaryDistinctId");
        if (primaryDistinctId.empty()) primaryDistinctId = distinctId;
        userId = Read(L"UserId");
        vipLevel = std::atoi(Read(L"UserVipLevel").c_str());
        loggedIn = Read(L"isLogined") == "OK";
        serverUrl = Read(L"URL");
    }
    if (distinctId.empty()) {
        distinctId = NewDistinctId();
        if (primaryDistinctId.empty()) primaryDistinctId = distinctId;
        Save();
    }
}

void LocalState::Save() const
{
    if (stateFilePath.empty()) return;
    Write(kBase, L"DistinctId", distinctId);
    Write(kBase, L"PrimaryDistinctId", primaryDistinctId);
    Write(kBase, L"UserId", userId);
    Write(kBase, L"UserVipLevel", std::to_string(vipLevel));
    Write(kBase, L"URL", serverUrl);
    Write(kBase, L"isLogined", loggedIn ? "OK" : "NG");
}

void LocalState::WriteUninstallInfo(const std::string& appStore, const std::string& appName,
                                    const std::string& appVersion) const
{
    Write(L"UninstallInfo", L"AppStore", appStore);
    Write(L"UninstallInfo", L"AppName", appName);
    Write(L"UninstallInfo", L"AppVersion", appVersion);
}

void LocalState::ResetForServer(const std::string& url)
{
    userId.clear();
    loggedIn = false;
    if (primaryDistinctId.empty()) primaryDistinctId = NewDistinctId();
    distinctId = primaryDistinctId;
    serverUrl = url;
    Save();
}

std::string LocalState::NewDistinctId()
{
    GUID guid{};
    for (int attempt = 0; attempt <= 10; ++attempt)
        if (SUCCEEDED(CoCreateGuid(&guid))) return FormatGuid(guid);
    return RandomVersion4Id();
}

std::wstring LocalState::ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    const size_t lastBackslash = folder.rfind(L'\\');
    return WithBackslash(lastBackslash == std::wstring::npos ? folder : folder.substr(0, lastBackslash));
}

std::string LocalState::Read(const wchar_t* key) const
{
    wchar_t value[kValueBuffer] = {};
    GetPrivateProfileStringW(kBase, key, L"", value, kValueBuffer, stateFilePath.c_str());
    return Utf8(value);
}

void LocalState::Write(const wchar_t* section, const wchar_t* key, const std::string& value) const
{
    if (stateFilePath.empty()) return;
    WritePrivateProfileStringW(section, key, Wide(value).c_str(), stateFilePath.c_str());
}

} // namespace tarvo::tracking
