#include "EventPrinter.h"

#include "Output.h"

#include <charconv>
#include <mutex>

namespace Cli {

std::wstring FormatEvent(int32_t code, double value, const wchar_t* text)
{
    char number[64];
    const auto end = std::to_chars(number, number + sizeof(number), value).ptr;
    return std::to_wstring(code) + L"\t" + std::wstring(number, end) + L"\t" + (text ? text : L"") + L"\n";
}

void PrintEvent(int32_t code, double value, const wchar_t* text)
{
    static std::mutex mutex;
    const std::wstring line = FormatEvent(code, value, text);
    std::lock_guard lock(mutex);
    Print(line);
}

} // namespace Cli
