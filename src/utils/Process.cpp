#include "utils/Process.h"

#include "utils/Exception.h"

#include <cwchar>

namespace Utils {

void Process::Create(const std::wstring& commandLine)
{
    if (commandLine.size() >= kCommandLineCapacity) throw Exception(L"");
    wcsncpy(m_commandLine, commandLine.c_str(), kCommandLineCapacity - 1);
    m_commandLine[kCommandLineCapacity - 1] = L'\0';

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();

    // Only the child's ends may be inherited.
    SetHandleInformation(out.read.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err.read.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(in.write.get(), HANDLE_FLAG_INHERIT, 0);

    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, m_commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        throw Exception(L"");
    m_process.reset(info.hProcess);
    m_thread.reset(info.hThread);
    m_processId = info.dwProcessId;
    m_threadId = info.dwThreadId;

    out.write.reset();
    err.write.reset();
    in.read.reset();
}

void Process::Close()
{
    m_thread.reset();
    m_process.reset();
    in.Close();
    out.Close();
    err.Close();
}

} // namespace Utils
