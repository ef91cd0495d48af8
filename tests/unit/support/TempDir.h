#pragma once

#include "utils/Handles.h"

#include <string>

// A fresh, uniquely named directory under the temporary folder, removed with its contents.
class TempDir {
public:
    TempDir()
    {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        static LONG counter = 0;
        m_path = std::wstring(base) + L"lumacut-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(InterlockedIncrement(&counter));
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

    static void RemoveTree(const std::wstring& dir)
    {
        WIN32_FIND_DATAW data;
        Utils::UniqueFind find(FindFirstFileW((dir + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring full = dir + L"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(find.get(), &data));
        }
        RemoveDirectoryW(dir.c_str());
    }

private:
    std::wstring m_path;
};
