#include "Output.h"

#include "utils/Text.h"

#include <windows.h>

#include <algorithm>

namespace Cli {

namespace {

void WriteUtf8(DWORD stream, const std::wstring& text)
{
    const std::string bytes = Utils::ToNarrow(text, CP_UTF8);
    HANDLE handle = GetStdHandle(stream);
    size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1 << 20));
        if (!WriteFile(handle, bytes.data() + offset, chunk, &written, nullptr) || written == 0) return;
        offset += written;
    }
}

} // namespace

void Print(const std::wstring& text)
{
    WriteUtf8(STD_OUTPUT_HANDLE, text);
}

void PrintError(const std::wstring& text)
{
    WriteUtf8(STD_ERROR_HANDLE, text);
}

} // namespace Cli
