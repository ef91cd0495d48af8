#include "utils/Probes.h"

#include "utils/ComPtr.h"
#include "utils/DebugLog.h"
#include "utils/Handles.h"

#include <windows.h>

#include <netlistmgr.h>
#include <objbase.h>

#include <cstdio>

namespace Utils {

uint32_t CheckNetwork()
{
    ComPtr<INetworkListManager> manager;
    if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                                manager.putVoid())))
        return 0;

    NLM_CONNECTIVITY flags = NLM_CONNECTIVITY_DISCONNECTED;
    if (FAILED(manager->GetConnectivity(&flags))) flags = NLM_CONNECTIVITY_DISCONNECTED;

    uint32_t outcome = 0;
    if (flags == 0) {
        LOG_LINE(L"Utils::CheckNetwork", L"GetConnectivity %d", static_cast<int>(flags));
        outcome = 1;
    } else {
        VARIANT_BOOL connected = VARIANT_FALSE;
        if (FAILED(manager->IsConnectedToInternet(&connected))) connected = VARIANT_FALSE;
        if (connected == VARIANT_FALSE) {
            LOG_LINE(L"Utils::CheckNetwork", L"get_IsConnectedToInternet:%d", static_cast<int>(connected));
            outcome = 2;
        }
    }
    manager.reset();
    CoFreeUnusedLibraries();
    return (static_cast<uint32_t>(flags) & 0xFFFF) + (outcome << kNetworkOutcomeShift);
}

std::wstring NewGuidString()
{
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) return {};
    wchar_t text[50] = {};
    _snwprintf(text, std::size(text) - 1, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
               static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
               guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::wstring OsVersionLabel(unsigned major, unsigned minor, unsigned build, bool serverR2)
{
    if (major <= 4) return L"XP-";
    if (major == 5) {
        switch (minor) {
        case 0: return L"2K";
        case 1: return L"XP";
        case 2: return serverR2 ? L"Server 2003 R2" : L"Server 2003";
        default: return L"XP+";
        }
    }
    if (major == 6) {
        switch (minor) {
        case 0: return L"Vista";
        case 1: return L"7";
        case 2: return L"8";
        case 3: return L"8.1";
        default: return L"8.1+";
        }
    }
    if (major == 10) return minor == 0 ? L"10" : L"10+";
    return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

void GetOsName(std::wstring& family, std::wstring& version)
{
    family = L"Windows";
    version.clear();

    UniqueModule ntdll(LoadLibraryW(L"ntdll.dll"));
    if (!ntdll) {
        version = L"XP-";
        return;
    }
    using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    DWORD major = 0, minor = 0, build = 0;
    if (auto getNumbers = reinterpret_cast<GetNumbers>(
            reinterpret_cast<void*>(GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers"))))
        getNumbers(&major, &minor, &build);
    build &= 0xFFFF;
    ntdll.reset();

    const bool serverR2 = major == 5 && minor == 2 && GetSystemMetrics(SM_SERVERR2) != 0;
    version = OsVersionLabel(major, minor, build, serverR2);
}

} // namespace Utils
