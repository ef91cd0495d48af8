#include "analytics/tracker/DeviceDescription.h"

#include "utils/Handles.h"

#include <windows.h>

namespace tarvo::tracking {

namespace {

struct VersionNumbers {
    bool known = false;
    unsigned major = 0, minor = 0, build = 0;
};

VersionNumbers ReadKernelVersion()
{
    VersionNumbers numbers;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"); // always loaded; not owned
    if (!ntdll) return numbers;
    using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    const auto getNumbers =
        reinterpret_cast<GetNumbers>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
    if (!getNumbers) return numbers;
    DWORD major = 0, minor = 0, build = 0;
    getNumbers(&major, &minor, &build);
    numbers = {major != 0, major, minor, build & 0xFFFF};
    return numbers;
}

} // namespace

std::string DeviceDescription::OsVersionText(bool hasNumbers, unsigned major, unsigned minor, unsigned build,
                                             bool is64Bit, bool serverR2)
{
    if (!hasNumbers) return "XP-";
    if (major == 5) {
        if (minor == 0) return "2K";
        if (minor == 1) return "XP";
        if (minor == 2) return is64Bit ? "XP64" : (serverR2 ? "Server 2003 R2" : "Server 2003");
        return "XP+";
    }
    if (major == 6) {
        if (minor == 0) return is64Bit ? "Vista64" : "Vista";
        if (minor == 1) return is64Bit ? "7" : "7-32";
        if (minor == 2) return is64Bit ? "8" : "8-32";
        if (minor == 3) return "8.1";
        return "8.1+";
    }
    if (major == 10) {
        if (minor == 0) return build < 22000 ? "10" : "11";
        return "11+";
    }
    if (major > 4) return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
    return "XP-";
}

std::string DeviceDescription::UserAgent(const std::string& osName, const std::string& osVersion, bool is64Bit)
{
    return "Mozilla/5.0(" + osName + " " + osVersion + "; Win" + (is64Bit ? "64;)" : "32;)");
}

DeviceDescription::Locale DeviceDescription::ResolveLocale(const std::string& storedLocale)
{
    const size_t underscore = storedLocale.find('_');
    if (underscore != std::string::npos)
        return {storedLocale, storedLocale.substr(0, underscore), storedLocale.substr(underscore + 1)};
    char language[16] = {}, country[16] = {};
    const bool hasLanguage = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, sizeof language) > 1;
    const bool hasCountry = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, sizeof country) > 1;
    if (!hasLanguage || !hasCountry) return {};
    return {std::string(language) + "_" + country, language, country};
}

bool DeviceDescription::Is64BitSystem()
{
    using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64)) return wow64 != FALSE;
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::string DeviceDescription::CurrentOsVersion()
{
    const VersionNumbers numbers = ReadKernelVersion();
    const bool serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    return OsVersionText(numbers.known, numbers.major, numbers.minor, numbers.build, Is64BitSystem(), serverR2);
}

std::string DeviceDescription::CurrentUserAgent()
{
    return UserAgent(kOsName, CurrentOsVersion(), Is64BitSystem());
}

int DeviceDescription::ScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int DeviceDescription::ScreenHeight()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

} // namespace tarvo::tracking
