#include "Commands.h"
#include "Output.h"

#include "utils/Handles.h"
#include "utils/Text.h"

#include <windows.h>

namespace Cli {

namespace {

// Quotes one argument so that CommandLineToArgvW / the C runtime read it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless they precede a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Reads the text of one OUTPUT_DEBUG_STRING_EVENT out of the debuggee.
std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    const size_t unit = info.fUnicode ? sizeof(wchar_t) : 1;
    std::string bytes(static_cast<size_t>(info.nDebugStringLength) * unit, '\0');
    SIZE_T read = 0;
    if (bytes.empty() || !ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read))
        return {};
    bytes.resize(read);
    std::wstring text = info.fUnicode ? std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), read / 2)
                                      : Utils::ToWide(bytes, CP_ACP);
    if (const size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
}

// Windows 10 delivers wide debug strings only to debuggers that wait with the Ex form.
using WaitForDebugEventFn = BOOL(WINAPI*)(LPDEBUG_EVENT, DWORD);
WaitForDebugEventFn DebugEventWaiter()
{
    if (HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll"))
        if (auto ex = reinterpret_cast<WaitForDebugEventFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "WaitForDebugEventEx"))))
            return ex;
    return &WaitForDebugEvent;
}

bool IsBreakpoint(DWORD code)
{
    return code == EXCEPTION_BREAKPOINT || code == 0x4000001F /* STATUS_WX86_BREAKPOINT */;
}

} // namespace

// trace -- PROGRAM [ARGS...]: runs PROGRAM under the debug API, prints each text it sends to
// the debugger output as it arrives (a text without its own line end runs into the next),
// and returns PROGRAM's exit code.
int RunTrace(const Arguments& arguments)
{
    if (arguments.size() < 2 || arguments[0] != L"--") {
        PrintError(L"usage: installer-cli trace -- PROGRAM [ARGS...]\n");
        return 2;
    }
    std::wstring commandLine;
    for (size_t i = 1; i < arguments.size(); ++i) commandLine += (i > 1 ? L" " : L"") + QuoteArgument(arguments[i]);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                        &startup, &info)) {
        PrintError(L"installer-cli trace: cannot start " + arguments[1] + L" (error " +
                   std::to_wstring(GetLastError()) + L")\n");
        return 2;
    }
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);

    const WaitForDebugEventFn wait = DebugEventWaiter();
    DWORD exitCode = 0;
    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!wait(&event, INFINITE)) break;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            Print(Utils::ReplaceAll(ReadDebugString(process.get(), event.u.DebugString), L"\r\n", L"\n"));
            break;
        case CREATE_PROCESS_DEBUG_EVENT: Utils::UniqueFile(event.u.CreateProcessInfo.hFile).reset(); break;
        case LOAD_DLL_DEBUG_EVENT: Utils::UniqueFile(event.u.LoadDll.hFile).reset(); break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's initial breakpoint is ours to continue; every other exception goes
            // back to the program (thread naming, C++ exceptions, real crashes).
            if (!IsBreakpoint(event.u.Exception.ExceptionRecord.ExceptionCode))
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        default: break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    return static_cast<int>(exitCode);
}

} // namespace Cli
