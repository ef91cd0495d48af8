#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The options of a command line as a key/value map. An argument "-key=value" gives the key
// before its first '=' and the value after it; any other argument is a key with an empty
// value. The first occurrence of a key wins.
class CommandLineArgs {
public:
    // `arguments` excludes the program path.
    explicit CommandLineArgs(const std::vector<std::wstring>& arguments);

    bool Has(const std::wstring& key) const { return m_values.count(key) != 0; }

    // Typed readers; a key that is absent reads as an empty value.
    std::wstring Text(const std::wstring& key) const;
    // Decimal conversion: leading space, optional sign, digits; no digits give 0. A value
    // outside the 32-bit range gives nothing (the caller keeps what it had).
    std::optional<int> Integer(const std::wstring& key) const;
    // Longest numeric prefix; no number gives quiet NaN; out of range gives nothing.
    std::optional<double> Number(const std::wstring& key) const;
    // True only for the exact text "true".
    bool Boolean(const std::wstring& key) const;

private:
    std::map<std::wstring, std::wstring> m_values;
};

// The value rules shared by the settings file and the command line.
namespace ValueRules {

bool ParseBoolean(const std::wstring& text);
// std::nullopt when the value is outside the 32-bit range.
std::optional<int> ParseInteger(const std::wstring& text);
// `noNumber` is what a text without any number gives; std::nullopt when out of range.
std::optional<double> ParseNumber(const std::wstring& text, double noNumber);

} // namespace ValueRules
