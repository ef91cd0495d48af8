#include "install/InstallRecords.h"

#include "app/InstallerReport.h"
#include "utils/Handles.h"
#include "utils/HardDiskManager.h"
#include "utils/Paths.h"
#include "utils/Probes.h"
#include "utils/Registry.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <clocale>
#include <cstdio>
#include <iterator>

namespace {

constexpr wchar_t kDefaultUninstaller[] = L"\\uninst.ep";
constexpr size_t kDiagnosticsCapacity = 200; // characters, terminator included

bool FileExists(const std::wstring& path)
{
    return !path.empty() && PathFileExistsW(path.c_str());
}

std::wstring ReportedUninstaller(const PackageReport& report)
{
    return report.uninstallerEp.empty() ? report.installPath + kDefaultUninstaller : report.uninstallerEp;
}

std::wstring LocalTimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[64] = {};
    _snwprintf(text, std::size(text) - 1, L"%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond);
    return text;
}

// Keeps the calling thread's messages flowing for up to `milliseconds`; a quit message ends
// the wait early and is posted again for the caller's own loop.
void PumpMessagesFor(DWORD milliseconds)
{
    const ULONGLONG start = GetTickCount64();
    MSG message;
    while (GetTickCount64() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// Whether a file can be made at `path`: an existing file that cannot be deleted, or a file
// that cannot be created, means no.
bool IsWritable(const std::wstring& path)
{
    if (FileExists(path) && !DeleteFileW(path.c_str())) return false;
    Utils::UniqueFile probe(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) return false;
    probe.reset();
    DeleteFileW(path.c_str());
    return true;
}

double FreeGiBOnDriveOf(const std::wstring& path)
{
    wchar_t drive[_MAX_DRIVE] = {};
    _wsplitpath_s(path.c_str(), drive, std::size(drive), nullptr, 0, nullptr, 0, nullptr, 0);
    Utils::HardDiskManager disk;
    disk.CheckFreeSpace(drive);
    return static_cast<double>(disk.freeBytesAvailable) / 1073741824.0;
}

} // namespace

InstallRecord LoadInstallRecord()
{
    InstallRecord record;
    Utils::ReadRegString(L"InstallPath", record.installedDirectory);
    Utils::ReadRegString(L"UnInstallEp", record.previousUninstaller);
    if (record.previousUninstaller.empty() && !record.installedDirectory.empty())
        record.previousUninstaller = record.installedDirectory + kDefaultUninstaller;
    return record;
}

bool IsOverrideDisabled(const InstallRecord& record, const std::wstring& directory)
{
    wchar_t relative[MAX_PATH] = {};
    if (!PathRelativePathToW(relative, record.installedDirectory.c_str(), FILE_ATTRIBUTE_DIRECTORY, directory.c_str(),
                             FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (std::wstring(relative) != L".") return false;
    wchar_t value[20] = {};
    const std::wstring settings = directory + L"\\set.ini";
    GetPrivateProfileStringW(L"Uninstall", L"IsOverride", L"true", value, std::size(value), settings.c_str());
    return std::wstring(value) == L"false";
}

void WriteInstallRecord(const PackageReport& report)
{
    Utils::WriteRegString(L"InstallPath", report.installPath);
    const std::wstring uninstaller = ReportedUninstaller(report);
    if (FileExists(uninstaller)) Utils::WriteRegString(L"UnInstallEp", uninstaller);
}

std::wstring ProductDataFolder()
{
    wchar_t base[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        base[0] = L'\0';
        SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, base);
    }
    return std::wstring(base) + L"\\TarVoData\\lumacut";
}

void WriteProductSettings(const PackageReport& report, const std::wstring& installerExeName)
{
    wchar_t settings[MAX_PATH] = {};
    if (_wmakepath_s(settings, MAX_PATH, nullptr, report.installPath.c_str(), L"set", L".ini") != 0) return;

    // Locale-dependent formatting elsewhere in the process follows this from now on.
    _wsetlocale(LC_ALL, L"en_GB.UTF-8");

    WritePrivateProfileStringW(L"Install", L"APPStore", installerExeName.c_str(), settings);
    WritePrivateProfileStringW(L"Install", L"AppName", L"lumacut", settings);
    WritePrivateProfileStringW(L"Install", L"DeviceID", Utils::NewGuidString().c_str(), settings);

    const std::wstring dataFolder = ProductDataFolder();
    if (!Utils::CreateDirectories(dataFolder)) return;
    const std::wstring stampFile = dataFolder + L"\\QXAnalytics.ini";
    WritePrivateProfileStringW(L"Install", L"QXAnalyticsIni", stampFile.c_str(), settings);
    WritePrivateProfileStringW(L"Init", L"UpdateTime", LocalTimeStamp().c_str(), stampFile.c_str());
}

void LaunchProduct(const PackageReport& report, const std::wstring& defaultStartUrl)
{
    const std::wstring& startUrl = report.startUrl.empty() ? defaultStartUrl : report.startUrl;
    if (startUrl.size() > 5) ShellExecuteW(nullptr, L"open", startUrl.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    if (FileExists(report.exePath)) {
        PumpMessagesFor(100);
        ShellExecuteW(nullptr, L"open", report.exePath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}

std::wstring DownloadFailureText(long code, const std::wstring& message, double freeGiB, bool writable, int networkCode)
{
    wchar_t text[kDiagnosticsCapacity] = {};
    _snwprintf(text, kDiagnosticsCapacity - 1,
               L"1.code=%ld；2.msg=%s；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%s；5.服务器连接状态code=%d", code,
               message.c_str(), freeGiB, writable ? L"可读" : L"无权限", networkCode);
    return text;
}

std::wstring FailureReasonText(long code, const std::wstring& message)
{
    wchar_t text[kDiagnosticsCapacity] = {};
    _snwprintf(text, kDiagnosticsCapacity - 1, L":1.code=%ld；2.msg=%s", code, message.c_str());
    return text;
}

void ReportDownloadFailure(double value, const std::wstring& text, const std::wstring& packagePath)
{
    const int network = static_cast<int>(Utils::CheckNetwork());
    const bool writable = IsWritable(packagePath);
    const double freeGiB = FreeGiBOnDriveOf(packagePath);
    InstallerReport::Event(L"下载失败原因",
                           DownloadFailureText(static_cast<long>(value), text, freeGiB, writable, network));
}

void ReportFailureReason(double value, const std::wstring& text, bool isDownload)
{
    InstallerReport::Event(isDownload ? L"下载失败原因" : L"安装失败原因",
                           FailureReasonText(static_cast<long>(value), text));
}
