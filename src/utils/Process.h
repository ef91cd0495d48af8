#pragma once

#include "utils/Handles.h"
#include "utils/Pipe.h"

#include <string>

namespace Utils {

// A hidden child process whose three standard streams are pipes: its output arrives on
// out.read, its error output on err.read, and its input is fed through in.write.
// Construction creates the pipes (err, out, in) and may throw Utils::Exception.
class Process {
public:
    static constexpr size_t kCommandLineCapacity = 1024; // characters, terminator included

    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts `commandLine` hidden with inherited pipe ends. Throws Utils::Exception when the
    // command line does not fit the 1024-character buffer or the process cannot be created.
    // On success the parent's copies of the child's ends are closed, so reading out.read ends
    // once the child (and anything it passed its handles to) has exited.
    void Create(const std::wstring& commandLine);

    // Closes the process and thread handles and every pipe end still open.
    void Close();

    HANDLE processHandle() const { return m_process.get(); }
    DWORD processId() const { return m_processId; }
    const wchar_t* commandLine() const { return m_commandLine; }

    Pipe err;
    Pipe out;
    Pipe in;

private:
    wchar_t m_commandLine[kCommandLineCapacity] = {};
    UniqueHandle m_process;
    UniqueHandle m_thread;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
};

} // namespace Utils
