// A child program for the runner tests, misbehaving in ways the real packages do not:
//   output-child flood    "State=Success", then (in later reads) a megabyte of output, far more
//                         than a pipe holds
//   output-child orphan   starts "output-child hold" with its handles (so it keeps the output
//                         pipe open), reports the holder's process id as "Message=<pid>",
//                         then exits without a verdict
//   output-child hold     sleeps 60 s
//   output-child sleep MS sleeps MS milliseconds (a running product, under another name)

#include "utils/Handles.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

void Write(const std::string& text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Flood()
{
    Write("State=Success\n");
    Sleep(300); // lets the verdict arrive in a read of its own
    const std::string line = "Message=" + std::string(1000, 'x') + "\n";
    for (int i = 0; i < 1000; ++i) Write(line);
    return 0;
}

int Orphan()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" hold";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return 1;
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);
    Write("Message=" + std::to_string(info.dwProcessId) + "\nProgress=0.5\n");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"flood") return Flood();
    if (mode == L"orphan") return Orphan();
    if (mode == L"hold") {
        Sleep(60000);
        return 0;
    }
    if (mode == L"sleep" && argc > 2) {
        Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        return 0;
    }
    return 2;
}
