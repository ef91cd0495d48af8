#include "install/DownloadInstaller.h"

#include "app/LaunchSettings.h"
#include "download/DownloaderFactory.h"
#include "install/InstallEvents.h"
#include "utils/DebugLog.h"
#include "utils/Handles.h"
#include "utils/Paths.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <mutex>

namespace {

constexpr wchar_t kProductExecutable[] = L"lumacutout.exe";
constexpr wchar_t kDownloadStage[] = L"CDownloadInstaller::Start::DownloadStage::operator ()";
constexpr wchar_t kUninstallStage[] = L"CDownloadInstaller::Start::UninstallStage::operator ()";
constexpr wchar_t kInstallStage[] = L"CDownloadInstaller::Start::InstallStage::operator ()";

// The package file of the last stage that ended, in this process. Stage ends never overlap,
// so it needs no lock beyond its thread-safe creation.
std::wstring& LastPackage()
{
    static std::wstring lastPackage;
    return lastPackage;
}

bool FileExists(const std::wstring& path)
{
    return !path.empty() && PathFileExistsW(path.c_str());
}

} // namespace

CDownloadInstaller::CDownloadInstaller(DownloadCallback callback, const std::wstring& url,
                                       const std::wstring& previousUninstaller, const std::wstring& installDirectory,
                                       bool dsc, bool ssc, bool adminact)
    : m_url(url), m_previousUninstaller(previousUninstaller), m_installDirectory(installDirectory), m_dsc(dsc),
      m_ssc(ssc), m_adminact(adminact), m_callback(std::move(callback))
{}

CDownloadInstaller::~CDownloadInstaller()
{
    m_productWait.reset();
    m_downloader.reset();
    m_installer.reset();
    m_uninstaller.reset();
    std::lock_guard lock(m_cleanupMutex);
    m_cleanup.clear();
}

void CDownloadInstaller::SetParams(const std::wstring& url, const std::wstring& previousUninstaller,
                                   const std::wstring& installDirectory, bool dsc, bool ssc, bool adminact,
                                   bool authorizationact, const std::wstring& installLanguage)
{
    m_url = url;
    m_previousUninstaller = previousUninstaller;
    m_installDirectory = installDirectory;
    m_dsc = dsc;
    m_ssc = ssc;
    m_adminact = adminact;
    m_authorizationact = authorizationact;
    m_installLanguage = installLanguage;
}

std::wstring CDownloadInstaller::PackagePathFor(const std::wstring& installDirectory)
{
    return installDirectory + L"\\__Package_" + L"lumacut" + L".exe";
}

std::wstring CDownloadInstaller::UninstallerCopyPath()
{
    const std::wstring temp = Utils::GetTempDir();
    return temp.empty() ? std::wstring() : temp + L"\\lumacut_un_asa.exe";
}

void CDownloadInstaller::Start()
{
    m_packagePath = PackagePathFor(m_installDirectory);
    LOG_LINE(L"CDownloadInstaller::Start", L"DL_TYPE=%d\r\n", g_LaunchSettings.m_DownloadType);

    if (!m_downloader) {
        m_downloader = DownloaderFactory::Create(
            g_LaunchSettings.m_DownloadType,
            [this](int32_t code, double value, const wchar_t* text) { OnDownloadEvent(code, value, text); }, m_url,
            m_packagePath);
    }
    if (!m_installer) {
        m_installer = std::make_unique<CInstaller>(
            [this](int32_t code, double value, const wchar_t* text) { OnInstallEvent(code, value, text); },
            L"\"" + m_packagePath + L"\"", m_installDirectory, m_ssc, m_dsc, m_adminact);
    }
    m_installer->SetInstallDirectory(m_installDirectory);
    m_installer->SetDsc(m_dsc);
    m_installer->SetSsc(m_ssc);
    m_installer->SetAdminact(m_adminact);
    m_installer->SetAuthorizationact(m_authorizationact);
    m_installer->SetInstallLanguage(m_installLanguage);

    if (!FileExists(m_previousUninstaller)) {
        m_downloader->Start();
        return;
    }

    wchar_t previousDirectory[MAX_PATH] = {};
    lstrcpynW(previousDirectory, m_previousUninstaller.c_str(), MAX_PATH);
    PathRemoveFileSpecW(previousDirectory);
    const std::wstring copy = UninstallerCopyPath();
    // A failed copy shows up as the uninstall runner's "file does not exist" event.
    CopyFileW(m_previousUninstaller.c_str(), copy.c_str(), FALSE);
    m_uninstaller = std::make_unique<CUnInstaller>(
        [this](int32_t code, double value, const wchar_t* text) { OnUninstallEvent(code, value, text); }, copy,
        previousDirectory);

    if (!g_LaunchSettings.m_InsNew) {
        m_uninstaller->Start();
        return;
    }
    // Install-new mode: the running product must have exited before its uninstaller starts.
    // The wait has no time limit and runs on a worker, so the caller's thread stays responsive.
    m_productWait.reset();
    m_productWait = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) -> unsigned {
        static_cast<CDownloadInstaller*>(self)->StartUninstaller();
        return 0;
    });
    m_productWait->Resume();
}

void CDownloadInstaller::StartUninstaller()
{
    do {
        Sleep(100);
    } while (FindProcessByName(kProductExecutable) != 0);
    m_uninstaller->Start();
}

void CDownloadInstaller::EndStage()
{
    DeletePackageFile(m_packagePath);
    std::wstring& lastPackage = LastPackage();
    if (!lastPackage.empty()) DeletePackageFile(lastPackage);
    lastPackage = m_packagePath;
}

void CDownloadInstaller::DeletePackageFile(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()) || !FileExists(path)) return;
    // The package reports its verdict before it exits, and a running program's file cannot be
    // deleted yet. Retry for up to a minute; the stage's thread goes on reading the package's
    // remaining output meanwhile.
    auto retry = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [path](void*) -> unsigned {
        for (int attempt = 0; attempt < 600 && !DeleteFileW(path.c_str()) && FileExists(path); ++attempt) Sleep(100);
        return 0;
    });
    if (!retry->Resume()) return;
    std::lock_guard lock(m_cleanupMutex);
    m_cleanup.push_back(std::move(retry));
}

void CDownloadInstaller::OnDownloadEvent(int32_t code, double value, const wchar_t* text)
{
    m_callback(code, value, text);
    switch (code) {
    case DL_CODE_START:
        Utils::CreateDirectories(m_installDirectory);
        LOG_LINE(kDownloadStage, L"DL_CODE_START\r\n");
        break;
    case DL_CODE_PROGRESS: LOG_LINE(kDownloadStage, L"DL_CODE_PROGRESS\r\n"); break;
    case DL_CODE_SUCCESS:
        LOG_LINE(kDownloadStage, L"DOWNLOAD_SUCCESS\r\n");
        m_installer->Run();
        LOG_LINE(kDownloadStage, L"DL_CODE_SUCCESS\r\n");
        break;
    case DL_CODE_FAIL:
        EndStage();
        LOG_LINE(kDownloadStage, L"DL_CODE_FAIL\r\n");
        break;
    case DL_CODE_RETRY:
        LOG_LINE(kDownloadStage, L"DL_CODE_RETRY\r\n");
        m_downloader->Start();
        break;
    default: break;
    }
}

void CDownloadInstaller::OnUninstallEvent(int32_t code, double value, const wchar_t* text)
{
    m_callback(code, value, text);
    switch (code) {
    case UNIST_CODE_PROGRESS: LOG_LINE(kUninstallStage, L"UNIST_CODE_PROGRESS\r\n"); break;
    case UNIST_CODE_SUCCESS:
        LOG_LINE(kUninstallStage, L"UNIST_CODE_SUCCESS\r\n");
        if (m_installer) m_downloader->Start();
        break;
    case UNIST_CODE_FAIL: LOG_LINE(kUninstallStage, L"UNIST_CODE_FAIL\r\n"); break;
    case UNIST_CODE_ERROR: LOG_LINE(kUninstallStage, L"UNIST_CODE_ERROR\r\n"); break;
    default: break;
    }
}

void CDownloadInstaller::OnInstallEvent(int32_t code, double value, const wchar_t* text)
{
    m_callback(code, value, text);
    switch (code) {
    case IST_CODE_START: LOG_LINE(kInstallStage, L"IST_CODE_START\r\n"); break;
    case INSTALL_SUCCESS:
        EndStage();
        LOG_LINE(kInstallStage, L"INSTALL_SUCCESS\r\n");
        break;
    case IST_CODE_FAIL:
        EndStage();
        LOG_LINE(kInstallStage, L"IST_CODE_FAIL\r\n");
        break;
    default: break;
    }
}

DWORD FindProcessByName(const std::wstring& name)
{
    Utils::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    // The first entry is the system idle process; it is never compared.
    if (!Process32FirstW(snapshot.get(), &entry)) return 0;
    while (Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpW(entry.szExeFile, name.c_str()) == 0) return entry.th32ProcessID;
    }
    return 0;
}
