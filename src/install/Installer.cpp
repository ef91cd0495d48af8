#include "install/Installer.h"

#include "app/LaunchSettings.h"
#include "install/ChildOutput.h"
#include "install/InstallEvents.h"
#include "utils/Process.h"
#include "utils/Thread.h"

#include <exception>

namespace {

const wchar_t* Switch(bool value)
{
    return value ? L"true" : L"false";
}

} // namespace

CInstaller::CInstaller(DownloadCallback callback, const std::wstring& package, const std::wstring& installDirectory,
                       bool firstFlag, bool secondFlag, bool adminact)
    : m_callback(std::move(callback)), m_package(package), m_installDirectory(installDirectory), m_ssc(firstFlag),
      m_dsc(secondFlag), m_protocol(COutputProtocol::Dialect::Install, m_callback), m_adminact(adminact)
{}

CInstaller::~CInstaller()
{
    // The worker uses the child, the protocol and the callback: it ends before they go.
    m_worker.reset();
}

void CInstaller::Run()
{
    m_commandLine = BuildCommandLine();
    m_worker.reset();
    // Each run reads a new child's output: its code page starts as the ANSI code page again.
    m_protocol = COutputProtocol(COutputProtocol::Dialect::Install, m_callback);
    m_worker = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) {
        static_cast<CInstaller*>(self)->Work();
        return 0u;
    });
    // Without a worker the run could never end; report it as a package that did not start.
    if (!m_worker->Resume()) Send(IST_CODE_FAIL, 2.0, L"");
}

std::wstring CInstaller::BuildCommandLine() const
{
    std::wstring line = m_package;
    line += L" /S -console=show -version=1.0.0";
    line += std::wstring(L" -adminact=") + Switch(m_adminact);
    line += std::wstring(L" -authorizationact=") + Switch(m_authorizationact);
    line += std::wstring(L" -dsc=") + Switch(m_dsc);
    line += std::wstring(L" -ssc=") + Switch(m_ssc);
    if (!m_installLanguage.empty()) line += L" -inslang=\"" + m_installLanguage + L"\"";
    if (!g_LaunchSettings.m_InstCmd.empty()) line += L" " + g_LaunchSettings.m_InstCmd;
    if (!m_installDirectory.empty()) {
        line += L" -instdir=\"" + m_installDirectory + L"\"";
        line += L" /D=" + m_installDirectory;
    }
    return line;
}

int CInstaller::Parse(const std::wstring& text)
{
    return m_protocol.ParseText(text);
}

void CInstaller::Work()
{
    Send(IST_CODE_START, 0.0, L"");
    Send(IST_CODE_PROGRESS, 0.0, L"");
    const std::optional<int> verdict = RunChild(m_child, m_commandLine, m_protocol, AfterVerdict::Discard);
    if (!verdict) {
        Send(IST_CODE_FAIL, 2.0, L"");
        return;
    }
    // The child's exit code means nothing: only State and Error lines report a failure.
    if (*verdict == PARSE_UNSETTLED) Send(INSTALL_SUCCESS, 1.0, L"");
}

void CInstaller::Send(int32_t code, double value, const wchar_t* text) const
{
    m_callback(code, value, text);
}
