#pragma once

#include <windows.h>

#include <string>

// String values under the product's own key, HKEY_CURRENT_USER\Software\TarVoSoft\lumacut.
namespace Utils {

inline constexpr wchar_t kProductRegistryKey[] = L"Software\\TarVoSoft\\lumacut";

// Creates the key when needed and stores `text` as REG_SZ (without its terminating NUL).
bool WriteRegString(const std::wstring& name, const std::wstring& text);

// Reads a string value; a value stored without a terminator still reads whole. On failure
// `out` (and `type`) are left unchanged.
bool ReadRegString(const std::wstring& name, std::wstring& out, DWORD* type = nullptr);

} // namespace Utils
