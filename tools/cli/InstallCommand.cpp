#include "Commands.h"
#include "EventPrinter.h"
#include "Output.h"
#include "Stats.h"

#include "app/InstallerReport.h"
#include "app/LaunchSettings.h"
#include "app/CommandLineArgs.h"
#include "download/CurlGlobal.h"
#include "download/DownloadCallback.h"
#include "install/DownloadInstaller.h"
#include "install/InstallEvents.h"
#include "install/InstallRecords.h"
#include "utils/Privileges.h"

#include <objbase.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace Cli {

namespace {

constexpr wchar_t kUsage[] =
    L"usage: installer-cli install URL DIR [--previous-uninstaller=PATH] [--type=N] [--launch] [--stats]\n";

struct InstallOptions {
    std::wstring url;
    std::wstring directory;
    std::optional<std::wstring> previousUninstaller;
    std::optional<int> downloadType;
    bool launch = false;
    bool stats = false;
};

std::optional<InstallOptions> ReadOptions(const Arguments& arguments)
{
    InstallOptions options;
    std::vector<std::wstring> positional;
    for (const std::wstring& argument : arguments) {
        if (argument.rfind(L"--previous-uninstaller=", 0) == 0) {
            options.previousUninstaller = argument.substr(23);
        } else if (argument.rfind(L"--type=", 0) == 0) {
            options.downloadType = ValueRules::ParseInteger(argument.substr(7));
            if (!options.downloadType) return std::nullopt;
        } else if (argument == L"--launch") {
            options.launch = true;
        } else if (argument == L"--stats") {
            options.stats = true;
        } else if (argument.rfind(L"--", 0) == 0) {
            return std::nullopt;
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) return std::nullopt;
    options.url = positional[0];
    options.directory = positional[1];
    return options;
}

// Events handed from the stage threads to the thread that reacts to them, in order, the way
// the main window receives them as posted messages.
class EventQueue {
public:
    struct Event {
        int32_t code;
        double value;
        std::wstring text;
    };

    void Post(int32_t code, double value, const wchar_t* text)
    {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back({code, value, text ? text : L""});
        }
        m_ready.notify_one();
    }

    Event Take()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_events.empty(); });
        Event event = std::move(m_events.front());
        m_events.pop_front();
        return event;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Event> m_events;
};

void PrintReport(const std::wstring& label, const std::wstring& detail)
{
    Print(L"report\t" + label + L"\t" + detail + L"\n");
}

// The records and the product start after a successful installation, as the window does.
void FinishInstallation(const PackageReport& report, bool launch)
{
    WriteInstallRecord(report);
    WriteProductSettings(report, g_LaunchSettings.m_ExeName);
    if (launch || report.startupStyle == PackageReport::AutoStartup) LaunchProduct(report, kDefaultStartUrl);
}

} // namespace

// install URL DIR [...]: one whole installation attempt as the installer's window runs it,
// without the window. Exit 0 after 2003, 1 after a failure.
int RunInstall(const Arguments& arguments)
{
    const std::optional<InstallOptions> options = ReadOptions(arguments);
    if (!options) {
        PrintError(kUsage);
        return 2;
    }
    if (options->downloadType) g_LaunchSettings.m_DownloadType = *options->downloadType;
    CurlGlobal curl;
    if (curl.Init() != 0) g_LaunchSettings.m_LibcurlReady = false;
    CoInitialize(nullptr); // the network probe of the failure report uses COM
    const auto previousReporter = InstallerReport::SetReporter(&PrintReport);

    const InstallRecord record = LoadInstallRecord();
    std::wstring previousUninstaller = options->previousUninstaller.value_or(record.previousUninstaller);
    if (IsOverrideDisabled(record, options->directory)) previousUninstaller.clear();

    std::wstring consoleUser;
    const bool adminact = Utils::GetConsoleUserName(consoleUser) && Utils::IsAdminAccount(consoleUser);
    const bool authorizationact = Utils::IsAdministrator();

    const ULONGLONG started = GetTickCount64();
    int64_t packageBytes = 0;
    EventQueue queue;
    PackageReport report;
    int exitCode = 1;
    {
        const std::wstring packagePath = CDownloadInstaller::PackagePathFor(options->directory);
        CDownloadInstaller installer(
            [&](int32_t code, double value, const wchar_t* text) {
                // Measured before the orchestrator reacts, while the package is complete on disk.
                if (code == DL_CODE_SUCCESS) packageBytes = FileSize(packagePath);
                queue.Post(code, value, text);
            },
            options->url, previousUninstaller, options->directory, true, true, adminact);
        installer.SetParams(options->url, previousUninstaller, options->directory, true, true, adminact,
                            authorizationact, L"");
        installer.Start();

        for (bool running = true; running;) {
            const EventQueue::Event event = queue.Take();
            PrintEvent(event.code, event.value, event.text.c_str());
            report.Apply(event.code, event.value, event.text.c_str());
            switch (event.code) {
            case DL_CODE_REASON: ReportFailureReason(event.value, event.text, true); break;
            case DL_CODE_FAIL:
                ReportDownloadFailure(event.value, event.text, installer.packagePath());
                running = false;
                break;
            case INSTALL_SUCCESS:
                FinishInstallation(report, options->launch);
                exitCode = 0;
                running = false;
                break;
            case IST_CODE_FAIL:
                ReportFailureReason(event.value, event.text, false);
                running = false;
                break;
            case UNIST_CODE_FAIL:
            case UNIST_CODE_ERROR: running = false; break;
            default: break;
            }
        }
    } // the runners wait for their workers (a package still exiting, an uninstaller finishing)

    if (options->stats) PrintStats(GetTickCount64() - started, packageBytes);
    InstallerReport::SetReporter(previousReporter);
    CoUninitialize();
    return exitCode;
}

} // namespace Cli
