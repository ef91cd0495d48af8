#pragma once

#include <exception>
#include <optional>
#include <string>

namespace Utils {

// The one exception the utilities throw (pipe and process creation). The message is kept in
// the ANSI code page; what() gives "Unknown exception" only when no message was stored.
class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(const std::wstring& message);

    const char* what() const noexcept override;

private:
    std::optional<std::string> m_message;
};

} // namespace Utils
