#pragma once

#include <unknwn.h>

#include <utility>

namespace Utils {

// Owns one reference to a COM interface; Release() is called exactly once per owned reference.
// The last-error value survives the release, as for the other owning types.
template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p) noexcept : m_ptr(p) {}
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) reset(std::exchange(other.m_ptr, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    void reset(T* p = nullptr) noexcept
    {
        T* old = std::exchange(m_ptr, p);
        if (old) {
            const DWORD lastError = ::GetLastError();
            old->Release();
            ::SetLastError(lastError);
        }
    }

    // For CoCreateInstance-style out-parameters.
    void** putVoid() noexcept
    {
        reset();
        return reinterpret_cast<void**>(&m_ptr);
    }
    T** put() noexcept
    {
        reset();
        return &m_ptr;
    }

private:
    T* m_ptr = nullptr;
};

} // namespace Utils
