#include "download/TlsTrust.h"

#include "utils/Text.h"

#include <windows.h>

#include <string>

namespace TlsTrust {

CURLcode Apply(CURL* handle)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(kCaBundleVariable, buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return CURLE_OK;
    // libcurl opens the bundle with the narrow runtime functions, so it gets the ANSI name.
    const std::string path = Utils::ToNarrow(std::wstring(buffer, length), CP_ACP);
    if (path.empty()) return CURLE_OK;
    return curl_easy_setopt(handle, CURLOPT_CAINFO, path.c_str());
}

} // namespace TlsTrust
