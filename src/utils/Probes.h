#pragma once

#include <cstdint>
#include <string>

// Stateless probes of the machine the installer runs on.
namespace Utils {

// Connectivity verdict: bits 0-15 are the network list manager's NLM_CONNECTIVITY flags (0 when
// it could not be asked); bits 16+ the outcome: 0 online (or unknown), 1 no connectivity,
// 2 connectivity without internet. Anything above 0xFFFF means "no usable network".
// The calling thread must have initialised COM.
uint32_t CheckNetwork();

inline constexpr uint32_t kNetworkOutcomeShift = 16;
inline bool IsNetworkUsable(uint32_t verdict)
{
    return verdict <= 0xFFFF;
}

// A fresh GUID as 32 hexadecimal digits, no braces or hyphens (the third group in lower case).
std::wstring NewGuidString();

// family = "Windows"; version = a short label such as "XP", "7", "10", "10+" or "11.0.30000".
void GetOsName(std::wstring& family, std::wstring& version);

// The label for given version numbers (the table GetOsName applies). `serverR2` is only
// consulted for 5.2.
std::wstring OsVersionLabel(unsigned major, unsigned minor, unsigned build, bool serverR2);

} // namespace Utils
