#pragma once

#include <windows.h>

#include <utility>

namespace Utils {

// Sole owner of one OS or library resource. `Traits` supplies the raw type (`pointer`), the
// value meaning "nothing owned" (`invalid()`) and the release call (`close(pointer)`).
// Move-only; releasing never disturbs the thread's last-error value, so a failing call's
// GetLastError() can still be read after the owners of its inputs have gone out of scope.
template <class Traits> class UniqueResource {
public:
    using pointer = typename Traits::pointer;

    UniqueResource() noexcept = default;
    explicit UniqueResource(pointer value) noexcept : m_value(value) {}
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    pointer get() const noexcept { return m_value; }
    bool valid() const noexcept { return m_value != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without closing.
    pointer release() noexcept { return std::exchange(m_value, Traits::invalid()); }

    // Closes what is owned (if anything) and takes `value`.
    void reset(pointer value = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(m_value, value);
        if (old != Traits::invalid()) {
            const DWORD lastError = ::GetLastError();
            Traits::close(old);
            ::SetLastError(lastError);
        }
    }

    // For out-parameters: closes what is owned and returns the address to fill.
    pointer* put() noexcept
    {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::invalid();
};

} // namespace Utils
