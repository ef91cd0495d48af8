#pragma once

#include "install/PackageReport.h"

#include <cstdint>
#include <string>

// The records a successful installation leaves for later runs and for the product, their
// reading at the next start, the start of the installed product, and the diagnostics texts
// reported when a stage fails. Called on the thread that receives the installation's events
// after they have been handed over (the main window's, or the headless driver's); not reentrant.

// The address opened after installation when the package names none.
inline constexpr wchar_t kDefaultStartUrl[] = L"https://www.lumacut.example/";

// The previous installation as the registry tells it; both empty when none is recorded.
struct InstallRecord {
    std::wstring installedDirectory;
    std::wstring previousUninstaller;
};

// Reads InstallPath and UnInstallEp; without UnInstallEp the uninstaller is presumed to be
// "uninst.ep" in the installed directory.
InstallRecord LoadInstallRecord();

// True only when `directory` is the installed directory and its "set.ini" says
// [Uninstall] IsOverride=false (exactly): then the installed version must not be removed first.
bool IsOverrideDisabled(const InstallRecord& record, const std::wstring& directory);

// Registry: InstallPath, and UnInstallEp when the reported (or default) uninstaller exists.
// Write failures are ignored.
void WriteInstallRecord(const PackageReport& report);

// "set.ini" in the product directory (APPStore, AppName, DeviceID, QXAnalyticsIni) and the
// time stamp in "QXAnalytics.ini" in the per-user data folder. Write failures are ignored.
void WriteProductSettings(const PackageReport& report, const std::wstring& installerExeName);

// The per-user data folder: %APPDATA%\TarVoData\lumacut (the shared documents folder in place
// of %APPDATA% when that is not set). Not created here.
std::wstring ProductDataFolder();

// Opens the start address (the reported one, else `defaultStartUrl`) and starts the reported
// product executable when it exists. Results are ignored.
void LaunchProduct(const PackageReport& report, const std::wstring& defaultStartUrl);

// The diagnostics texts (at most 199 characters).
std::wstring DownloadFailureText(long code, const std::wstring& message, double freeGiB, bool writable,
                                 int networkCode);
std::wstring FailureReasonText(long code, const std::wstring& message);

// Builds the download-failure text for event 1004 (free space on the package's drive,
// writability of its folder, network state) and reports it as "下载失败原因".
void ReportDownloadFailure(double value, const std::wstring& text, const std::wstring& packagePath);

// Reports ":1.code=…；2.msg=…" as "下载失败原因" (download diagnostics, event 1006) or
// "安装失败原因" (event 2004).
void ReportFailureReason(double value, const std::wstring& text, bool isDownload);
