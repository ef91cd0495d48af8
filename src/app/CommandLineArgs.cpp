#include "app/CommandLineArgs.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>
#include <limits>

namespace ValueRules {

bool ParseBoolean(const std::wstring& text)
{
    return text == L"true";
}

std::optional<int> ParseInteger(const std::wstring& text)
{
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(begin, &end, 10);
    if (end == begin) return 0;
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<double> ParseNumber(const std::wstring& text, double noNumber)
{
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const double value = std::wcstod(begin, &end);
    if (end == begin) return noNumber;
    if (errno == ERANGE) return std::nullopt;
    return value;
}

} // namespace ValueRules

CommandLineArgs::CommandLineArgs(const std::vector<std::wstring>& arguments)
{
    for (const std::wstring& argument : arguments) {
        const size_t equals = argument.find(L'=');
        if (!argument.empty() && argument[0] == L'-' && equals != std::wstring::npos)
            m_values.emplace(argument.substr(0, equals), argument.substr(equals + 1));
        else
            m_values.emplace(argument, std::wstring());
    }
}

std::wstring CommandLineArgs::Text(const std::wstring& key) const
{
    const auto found = m_values.find(key);
    return found == m_values.end() ? std::wstring() : found->second;
}

std::optional<int> CommandLineArgs::Integer(const std::wstring& key) const
{
    return ValueRules::ParseInteger(Text(key));
}

std::optional<double> CommandLineArgs::Number(const std::wstring& key) const
{
    return ValueRules::ParseNumber(Text(key), std::numeric_limits<double>::quiet_NaN());
}

bool CommandLineArgs::Boolean(const std::wstring& key) const
{
    return ValueRules::ParseBoolean(Text(key));
}
