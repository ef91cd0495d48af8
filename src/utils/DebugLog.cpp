#include "utils/DebugLog.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

namespace {

void DebuggerOutput(const wchar_t* line)
{
    OutputDebugStringW(line);
}

std::atomic<Utils::DebugLogSink> g_sink{&DebuggerOutput};

constexpr wchar_t kPrefixFormat[] = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: ";

void VDebugLog(const wchar_t* format, va_list args)
{
    va_list counting;
    va_copy(counting, args);
    const int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length < 0) return;

    const size_t capacity = static_cast<size_t>(length) + 2;
    if (capacity > std::numeric_limits<size_t>::max() / sizeof(wchar_t)) return;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[capacity]);
    if (!buffer) return;

    _vsnwprintf(buffer.get(), capacity, format, args);
    buffer[capacity - 1] = L'\0';
    g_sink.load()(buffer.get());
}

} // namespace

namespace Utils {

void DebugLog(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VDebugLog(format, args);
    va_end(args);
}

DebugLogSink SetDebugLogSink(DebugLogSink sink)
{
    return g_sink.exchange(sink ? sink : &DebuggerOutput);
}

} // namespace Utils

void LogLine(const wchar_t* functionName, int lineNumber, const wchar_t* messageFormat, ...)
{
    SYSTEMTIME now;
    GetLocalTime(&now);

    // The prefix is filled in first and its '%' doubled, so that it can lead the message's own
    // format and the message's arguments can be passed on unchanged.
    wchar_t prefix[512];
    const int written =
        _snwprintf(prefix, std::size(prefix) - 1, kPrefixFormat, static_cast<int>(GetCurrentProcessId()),
                   static_cast<int>(GetCurrentThreadId()), now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                   now.wSecond, now.wMilliseconds, functionName ? functionName : L"", lineNumber);
    prefix[written < 0 ? std::size(prefix) - 1 : written] = L'\0';

    std::wstring format;
    for (const wchar_t* c = prefix; *c; ++c) {
        format += *c;
        if (*c == L'%') format += L'%';
    }
    format += messageFormat ? messageFormat : L"";

    va_list args;
    va_start(args, messageFormat);
    VDebugLog(format.c_str(), args);
    va_end(args);
}
