#pragma once

#include <string>

namespace Utils {

// The installer's private folder: the user's temporary directory followed by
// "~TarVoTemp.92482B06FB471E17\" (trailing backslash included). Created when missing; empty
// when it neither exists nor can be created.
std::wstring GetTempDir();

// Creates every missing directory of `path` (backslash-separated). Paths over 260 characters
// are refused and nothing is created. Existing levels are passed over, so repeating is safe.
bool CreateDirectories(const std::wstring& path);

} // namespace Utils
