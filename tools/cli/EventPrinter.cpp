#include "EventPrinter.h"

#include "Output.h"

#include "utils/Text.h"

#include <mutex>

namespace Cli {

std::wstring FormatEvent(int32_t code, double value, const wchar_t* text)
{
    return std::to_wstring(code) + L"\t" + Utils::ShortestNumber(value) + L"\t" + (text ? text : L"") + L"\n";
}

void PrintEvent(int32_t code, double value, const wchar_t* text)
{
    static std::mutex mutex;
    const std::wstring line = FormatEvent(code, value, text);
    std::lock_guard lock(mutex);
    Print(line);
}

} // namespace Cli
