#include "utils/Registry.h"

#include "utils/Handles.h"

#include <vector>

namespace Utils {

bool WriteRegString(const std::wstring& name, const std::wstring& text)
{
    UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const size_t bytes = text.size() * sizeof(wchar_t);
    if (bytes > MAXDWORD) return false;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool ReadRegString(const std::wstring& name, std::wstring& out, DWORD* type)
{
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;

    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return false;
    // One extra zeroed character, so a value stored without its terminator still ends.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD valueType = 0;
    DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    out.assign(buffer.data());
    if (type) *type = valueType;
    return true;
}

} // namespace Utils
