#pragma once

#include "download/DownloadCallback.h"
#include "install/OutputProtocol.h"

#include <array>
#include <memory>
#include <string>

namespace Utils {
class Process;
class Thread;
} // namespace Utils

// Runs the product package silently on a worker thread and turns what it prints into events
// (2001-2004, 3000-3009) on that thread. Owned by the orchestrator; the switch setters and
// Run() belong to the owning thread and must not be called while a run is in progress except
// through Run(), which waits for the previous run first.
class CInstaller {
public:
    // `package` is the package path already enclosed in double quotes. `firstFlag` goes to
    // -ssc=, `secondFlag` to -dsc=.
    CInstaller(DownloadCallback callback, const std::wstring& package, const std::wstring& installDirectory,
               bool firstFlag, bool secondFlag, bool adminact);
    // Waits for a running worker.
    ~CInstaller();
    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    // Builds the command line, waits for the previous run (no time limit), then starts the
    // package worker and returns at once. Its first event is 2001; its last is 2003 or 2004.
    void Run();

    // The package command line: package, fixed switches, the flags, -inslang=, the configured
    // extra command, -instdir= and, last, the unquoted /D=.
    std::wstring BuildCommandLine() const;

    // Parses complete output text in the install dialect, sending its events. Returns
    // PARSE_SUCCESS / PARSE_FAILURE for the last verdict line of the text, else PARSE_UNSETTLED.
    int Parse(const std::wstring& text);

    void SetInstallDirectory(const std::wstring& directory) { m_installDirectory = directory; }
    void SetSsc(bool value) { m_ssc = value; }
    void SetDsc(bool value) { m_dsc = value; }
    void SetAdminact(bool value) { m_adminact = value; }
    void SetAuthorizationact(bool value) { m_authorizationact = value; }
    void SetInstallLanguage(const std::wstring& language) { m_installLanguage = language; }

    // The command line of the last Run().
    const std::wstring& commandLine() const { return m_commandLine; }
    // Code page of the package output (0: the ANSI code page). Read it only between runs.
    int codePage() const { return m_protocol.codePage(); }
    // Major, minor, build from "InstallVersion="; zeros until then. Read it only between runs.
    const std::array<int, 3>& packageVersion() const { return m_protocol.packageVersion(); }

private:
    void Work();
    void Send(int32_t code, double value, const wchar_t* text) const;

    DownloadCallback m_callback;
    std::wstring m_package;
    std::wstring m_installDirectory;
    std::wstring m_commandLine;
    bool m_ssc;
    bool m_dsc;
    COutputProtocol m_protocol;
    std::unique_ptr<Utils::Thread> m_worker;
    std::unique_ptr<Utils::Process> m_child; // touched by the worker only
    bool m_adminact;
    bool m_authorizationact = true;
    std::wstring m_installLanguage;
};
