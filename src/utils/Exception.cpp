#include "utils/Exception.h"

#include "utils/Text.h"

namespace Utils {

Exception::Exception(const std::wstring& message) : m_message(ToNarrow(message, CP_ACP)) {}

const char* Exception::what() const noexcept
{
    return m_message ? m_message->c_str() : "Unknown exception";
}

} // namespace Utils
