#include "install/UnInstaller.h"

#include "install/ChildOutput.h"
#include "install/InstallEvents.h"
#include "utils/Privileges.h"
#include "utils/Process.h"
#include "utils/Thread.h"

#include <shlwapi.h>

#include <exception>

namespace {

const wchar_t* Switch(bool value)
{
    return value ? L"true" : L"false";
}

bool ConsoleUserIsAdminAccount()
{
    std::wstring user;
    return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
}

} // namespace

CUnInstaller::CUnInstaller(DownloadCallback callback, const std::wstring& uninstaller, const std::wstring& oldDirectory)
    : m_callback(std::move(callback)), m_uninstaller(uninstaller), m_oldDirectory(oldDirectory),
      m_protocol(COutputProtocol::Dialect::Uninstall, m_callback)
{}

CUnInstaller::~CUnInstaller()
{
    // The worker uses the child, the protocol and the callback: it ends before they go.
    m_worker.reset();
}

void CUnInstaller::Start()
{
    m_commandLine = BuildCommandLine();
    m_worker.reset();
    m_worker = std::make_unique<Utils::Thread>(this, L"UnInstaller", [](void* self) {
        static_cast<CUnInstaller*>(self)->Work();
        return 0u;
    });
    // Without a worker the run could never end; report it as an uninstaller that did not start.
    if (!m_worker->Resume()) Send(UNIST_CODE_FAIL, 2.0, L"");
}

std::wstring CUnInstaller::BuildCommandLine() const
{
    return m_uninstaller + L" /S -adminact=" + Switch(ConsoleUserIsAdminAccount()) + L" -authorizationact=" +
           Switch(Utils::IsAdministrator()) + L" -console=show _?=" + m_oldDirectory;
}

int CUnInstaller::Parse(const std::wstring& text)
{
    return m_protocol.ParseText(text);
}

void CUnInstaller::Work()
{
    if (!PathFileExistsW(m_uninstaller.c_str())) {
        Send(UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在");
        return;
    }
    Send(UNIST_CODE_PROGRESS, 0.0, L"");
    // Unlike the package, the uninstaller is read until it exits, verdict or not.
    const std::optional<int> verdict = RunChild(m_child, m_commandLine, m_protocol, AfterVerdict::KeepParsing);
    if (!verdict) {
        Send(UNIST_CODE_FAIL, 2.0, L"");
        return;
    }
    if (*verdict == PARSE_UNSETTLED) Send(UNIST_CODE_SUCCESS, 1.0, L"");
}

void CUnInstaller::Send(int32_t code, double value, const wchar_t* text) const
{
    m_callback(code, value, text);
}
