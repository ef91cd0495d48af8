#pragma once

#include <cwchar>

// The diagnostic trace: one wide line per call, sent to the debugger output channel.
// Any thread may write; nothing is shared between calls and no lock is taken.
namespace Utils {

// Formats `format` (msvcrt wide printf: %s takes a wide string) and hands the text to
// OutputDebugStringW in one call. Writes nothing when the line cannot be formatted or
// allocated.
void DebugLog(const wchar_t* format, ...);

// Where finished lines go: the debugger output unless a test installs another sink (null
// restores the debugger output). Returns the previous sink.
using DebugLogSink = void (*)(const wchar_t* line);
DebugLogSink SetDebugLogSink(DebugLogSink sink);

} // namespace Utils

// Writes "<Ppid><Ttid><local time>(functionName)<line>: " followed by `messageFormat` filled
// with the remaining arguments. The message carries its own line end where it has one.
void LogLine(const wchar_t* functionName, int lineNumber, const wchar_t* messageFormat, ...);

// Call-site shorthand: GCC's __FUNCTION__ is unqualified, so the caller names its function.
#define LOG_LINE(functionName, ...) LogLine(functionName, __LINE__, __VA_ARGS__)
