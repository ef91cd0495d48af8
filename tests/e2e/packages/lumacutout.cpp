// Stand-in for the product executable that the test packages install: it records that it was
// started by writing its command line (UTF-8) to "lumacutout.started" beside itself, then
// exits with code 0. It shows nothing.

#include "utils/Handles.h"
#include "utils/Text.h"

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(path.size() * 2);
    if (length == 0) return 1;
    path.resize(length);
    const std::wstring record = path.substr(0, path.find_last_of(L'\\') + 1) + L"lumacutout.started";

    const std::string text = Utils::ToNarrow(GetCommandLineW(), CP_UTF8);
    Utils::UniqueFile file(
        CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return 1;
    return 0;
}
