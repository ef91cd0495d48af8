#pragma once

#include "download/DownloadCallback.h"
#include "install/OutputProtocol.h"

#include <memory>
#include <string>

namespace Utils {
class Process;
class Thread;
} // namespace Utils

// Runs an older version's uninstaller silently, in place on its old directory, on a worker
// thread and turns what it prints into events (5002-5005) on that thread. Owned by the
// orchestrator, started once.
class CUnInstaller {
public:
    // `uninstaller` is the full path of the uninstaller to run (not quoted).
    CUnInstaller(DownloadCallback callback, const std::wstring& uninstaller, const std::wstring& oldDirectory);
    // Waits for a running worker.
    ~CUnInstaller();
    CUnInstaller(const CUnInstaller&) = delete;
    CUnInstaller& operator=(const CUnInstaller&) = delete;

    // Builds the command line, starts the uninstall worker and returns at once. The worker
    // reads the uninstaller's output until it exits; its last event is 5003, 5004 or 5005.
    void Start();

    // "<uninstaller> /S -adminact=<console user is an administrator account>
    // -authorizationact=<this process is in the administrators group> -console=show _?=<old directory>".
    std::wstring BuildCommandLine() const;

    // Parses complete output text in the uninstall dialect, sending its events; results as
    // CInstaller::Parse.
    int Parse(const std::wstring& text);

    const std::wstring& commandLine() const { return m_commandLine; }
    // Read it only while no run is in progress.
    int codePage() const { return m_protocol.codePage(); }

private:
    void Work();
    void Send(int32_t code, double value, const wchar_t* text) const;

    DownloadCallback m_callback;
    std::wstring m_commandLine;
    std::wstring m_uninstaller;
    std::wstring m_oldDirectory;
    COutputProtocol m_protocol;
    std::unique_ptr<Utils::Thread> m_worker;
    std::unique_ptr<Utils::Process> m_child; // touched by the worker only
};
