#pragma once

#include "utils/Handles.h"

#include <string>

namespace Utils {

// Keeps a second copy of a program from running: a named mutex "D1A547DB89C0BC61_" + name,
// held from Acquire() until Release() (or destruction).
class SingleInstance {
public:
    explicit SingleInstance(const std::wstring& name) : m_name(name) {}
    ~SingleInstance() { Release(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    static constexpr wchar_t kMutexPrefix[] = L"D1A547DB89C0BC61_";

    // Takes the mutex unless already held. Afterwards acquired() is false when another
    // process holds the name.
    void Acquire();
    bool acquired() const { return static_cast<bool>(m_mutex); }

    // Releases and closes the mutex when held.
    void Release();

private:
    std::wstring m_name;
    UniqueHandle m_mutex;
};

} // namespace Utils
