#include "utils/Privileges.h"

#include <windows.h>

#include <lm.h>
#include <wtsapi32.h>

#include <memory>

namespace Utils {

namespace {

struct SidDeleter {
    void operator()(PSID sid) const noexcept { FreeSid(sid); }
};
struct NetBufferDeleter {
    void operator()(void* buffer) const noexcept { NetApiBufferFree(buffer); }
};
struct WtsMemoryDeleter {
    void operator()(void* memory) const noexcept { WTSFreeMemory(memory); }
};

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
    LPBYTE raw = nullptr;
    const NET_API_STATUS status = NetUserGetInfo(nullptr, userName.c_str(), 1, &raw);
    std::unique_ptr<void, NetBufferDeleter> buffer(raw);
    if (status != NERR_Success || !raw) return false;
    return reinterpret_cast<const USER_INFO_1*>(raw)->usri1_priv == USER_PRIV_ADMIN;
}

bool GetConsoleUserName(std::wstring& out)
{
    LPWSTR raw = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(), WTSUserName, &raw,
                                     &bytes))
        return false;
    std::unique_ptr<void, WtsMemoryDeleter> buffer(raw);
    out = raw ? raw : L"";
    return true;
}

} // namespace Utils
