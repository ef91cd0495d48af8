#pragma once

#include "utils/Handles.h"

#include <windows.h>

#include <string>

// Where the runner tests find the NSIS test packages and the output-child helper.
namespace TestPackages {

// The built package of one variant (LUMACUT_PACKAGES_DIR is the host folder they are built in).
inline std::wstring Package(const std::wstring& variant)
{
    std::wstring dir = L"Z:" LUMACUT_PACKAGES_DIR;
    for (wchar_t& c : dir)
        if (c == L'/') c = L'\\';
    return dir + L"\\LumaCutSetup-" + variant + L".exe";
}

// output-child.exe, built beside the test executable.
inline std::wstring OutputChild()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"output-child.exe";
}

inline bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A text file the packages write (UTF-16LE with a byte-order mark), without the mark.
inline std::wstring ReadUtf16File(const std::wstring& path)
{
    Utils::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return L"<missing>";
    std::wstring text(GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
    text.resize(read / sizeof(wchar_t));
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    return text;
}

} // namespace TestPackages
