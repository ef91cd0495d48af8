#include "utils/Text.h"

#include <charconv>
#include <cmath>

namespace Utils {

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length) != length) return {};
    return wide;
}

std::string ToNarrow(const std::wstring& text, UINT codePage)
{
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr) != length)
        return {};
    return narrow;
}

std::wstring Utf8ToWide(const std::string& utf8)
{
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length) != length) return {};
    return wide;
}

std::string UrlEscape(const std::string& bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(bytes.size() * 3);
    for (const unsigned char byte : bytes) {
        if (byte >= 33 && byte <= 126) {
            escaped += static_cast<char>(byte);
        } else if (byte == ' ') {
            escaped += '+';
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        }
    }
    return escaped;
}

std::wstring EscapeUrl(const std::wstring& url)
{
    return ToWide(UrlEscape(ToNarrow(url, CP_UTF8)), CP_UTF8);
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& searched, const std::wstring& replacement)
{
    std::wstring result = text;
    if (searched.empty()) return result;
    // Each search starts again from the beginning, so occurrences formed by a replacement
    // and its neighbours are replaced too. A replacement that itself contains the searched
    // text would make that loop endless; then the search goes on after it instead.
    const bool selfContaining = replacement.find(searched) != std::wstring::npos;
    size_t from = 0;
    for (size_t at = result.find(searched); at != std::wstring::npos; at = result.find(searched, from)) {
        result.replace(at, searched.size(), replacement);
        from = selfContaining ? at + replacement.size() : 0;
    }
    return result;
}

std::wstring UIntToWString(unsigned int value)
{
    return std::to_wstring(value);
}

std::wstring ShortestNumber(double value)
{
    if (std::isnan(value)) return L"nan";
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof(buffer), value).ptr;
    return std::wstring(buffer, end);
}

} // namespace Utils
