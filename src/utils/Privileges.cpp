#include "utils/Privileges.h"

#include "utils/Handles.h"

#include <windows.h>

#include <lm.h>
#include <wtsapi32.h>

#include <memory>

namespace Utils {

namespace {

struct SidDeleter {
    void operator()(PSID sid) const noexcept { FreeSid(sid); }
};
// The account and session libraries are loaded only when a probe runs, so that the many
// processes that never ask (the downloads, the reports) do not load them.
template <class Function> Function Lookup(const UniqueModule& library, const char* name)
{
    return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library.get(), name))) : nullptr;
}

} // namespace

bool IsAdministrator()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID rawSid = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &rawSid))
        return false;
    std::unique_ptr<void, SidDeleter> sid(rawSid);
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, sid.get(), &member)) return false;
    return member != FALSE;
}

bool IsAdminAccount(const std::wstring& userName)
{
    using GetInfo = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
    using FreeBuffer = NET_API_STATUS(WINAPI*)(LPVOID);
    const UniqueModule netapi(LoadLibraryW(L"netapi32.dll"));
    const auto getInfo = Lookup<GetInfo>(netapi, "NetUserGetInfo");
    const auto freeBuffer = Lookup<FreeBuffer>(netapi, "NetApiBufferFree");
    if (!getInfo || !freeBuffer) return false;

    LPBYTE raw = nullptr;
    const NET_API_STATUS status = getInfo(nullptr, userName.c_str(), 1, &raw);
    const bool admin =
        status == NERR_Success && raw && reinterpret_cast<const USER_INFO_1*>(raw)->usri1_priv == USER_PRIV_ADMIN;
    if (raw) freeBuffer(raw);
    return admin;
}

bool GetConsoleUserName(std::wstring& out)
{
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
    using FreeMemory = void(WINAPI*)(PVOID);
    const UniqueModule wtsapi(LoadLibraryW(L"wtsapi32.dll"));
    const auto query = Lookup<Query>(wtsapi, "WTSQuerySessionInformationW");
    const auto freeMemory = Lookup<FreeMemory>(wtsapi, "WTSFreeMemory");
    if (!query || !freeMemory) return false;

    LPWSTR raw = nullptr;
    DWORD bytes = 0;
    if (!query(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(), WTSUserName, &raw, &bytes)) return false;
    out = raw ? raw : L"";
    if (raw) freeMemory(raw);
    return true;
}

} // namespace Utils
