#pragma once

#include "download/DownloadCallback.h"
#include "download/Downloader.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "utils/Thread.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

// Chains the stages of one installation on worker threads: remove the previous version (when
// its uninstaller exists), download the package into the install directory, run the package.
// Every event of every stage goes first, unchanged, to the owner's callback (on the producing
// worker thread) and then to the orchestrator's own reaction (next stage, retry, clean-up).
// One per process: SetParams() and Start() belong to the owning thread.
class CDownloadInstaller {
public:
    CDownloadInstaller(DownloadCallback callback, const std::wstring& url, const std::wstring& previousUninstaller,
                       const std::wstring& installDirectory, bool dsc, bool ssc, bool adminact);
    // Releases the downloader, then the package runner, then the uninstall runner, then waits
    // for deferred package deletions. A stage still running is not stopped (the owner does not
    // close during an installation).
    ~CDownloadInstaller();
    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    void SetParams(const std::wstring& url, const std::wstring& previousUninstaller,
                   const std::wstring& installDirectory, bool dsc, bool ssc, bool adminact, bool authorizationact,
                   const std::wstring& installLanguage);

    // Starts the first stage and returns. The downloader and the package runner made by the
    // first call are kept for the process: a later call reuses them (same address and package
    // location) with the new directory, flags and language. In install-new mode the wait for a
    // running product happens on a worker before the uninstaller starts.
    void Start();

    // The package file of the last Start().
    const std::wstring& packagePath() const { return m_packagePath; }

    // "<directory>\__Package_lumacut.exe".
    static std::wstring PackagePathFor(const std::wstring& installDirectory);
    // Where the previous version's uninstaller is copied to run; empty without a temp folder.
    static std::wstring UninstallerCopyPath();

private:
    void OnDownloadEvent(int32_t code, double value, const wchar_t* text);
    void OnUninstallEvent(int32_t code, double value, const wchar_t* text);
    void OnInstallEvent(int32_t code, double value, const wchar_t* text);
    void StartUninstaller();
    // Deletes this run's package file and the one an earlier run left, and remembers this one.
    void EndStage();
    // Deletes a package file, now or, while a package that is still exiting holds it, from a
    // worker as soon as the file is free.
    void DeletePackageFile(const std::wstring& path);

    std::unique_ptr<CUnInstaller> m_uninstaller;
    std::unique_ptr<CDownloader> m_downloader;
    std::unique_ptr<CInstaller> m_installer;
    std::unique_ptr<Utils::Thread> m_productWait;
    std::mutex m_cleanupMutex;
    std::vector<std::unique_ptr<Utils::Thread>> m_cleanup; // deferred package deletions
    std::wstring m_url;
    std::wstring m_previousUninstaller;
    std::wstring m_installDirectory;
    std::wstring m_packagePath;
    std::wstring m_installLanguage;
    bool m_dsc;
    bool m_ssc;
    bool m_adminact;
    bool m_authorizationact = true;
    DownloadCallback m_callback;
};

// Id of the first running process whose executable file name is `name` (case-sensitive), or 0.
DWORD FindProcessByName(const std::wstring& name);
