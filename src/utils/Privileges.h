#pragma once

#include <string>

// Probes of the user's rights and session. None throws; a failure answers false.
namespace Utils {

// The calling thread's token is a member of the builtin Administrators group.
bool IsAdministrator();

// `userName` is a local account with the administrator privilege level (USER_PRIV_ADMIN).
bool IsAdminAccount(const std::wstring& userName);

// The user name of the active console session; `out` is untouched on failure.
bool GetConsoleUserName(std::wstring& out);

} // namespace Utils
