#pragma once

#include <windows.h>

#include <string>

// Text conversions and small string helpers. Inside the installer text is UTF-16; narrow text
// appears only at the edges and is always converted with an explicit code page.
namespace Utils {

// MultiByteToWideChar over the whole string; empty when the input is empty or invalid.
std::wstring ToWide(const std::string& text, UINT codePage);

// WideCharToMultiByte over the whole string, no default character; empty on failure.
std::string ToNarrow(const std::wstring& text, UINT codePage);

// Strict UTF-8 decoding; a malformed or truncated sequence yields an empty string.
std::wstring Utf8ToWide(const std::string& utf8);

// Byte-wise address escaping: 33..126 stay, space becomes '+', everything else %XX (upper case).
std::string UrlEscape(const std::string& bytes);

// UrlEscape over the UTF-8 form of a wide address.
std::wstring EscapeUrl(const std::wstring& url);

// Replaces the first occurrence of `searched` and searches again from the start, until none is
// left. `replacement` must not contain `searched`; an empty `searched` changes nothing.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& searched, const std::wstring& replacement);

std::wstring UIntToWString(unsigned int value);

// The shortest decimal text that reads back as the same double; "nan" for any NaN.
std::wstring ShortestNumber(double value);

} // namespace Utils
