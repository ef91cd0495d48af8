#include "analytics/installer/InstallerAnalytics.h"

#include "analytics/tracker/QxContextProperties.h"
#include "analytics/tracker/QxException.h"
#include "analytics/tracker/UsageTrackerImpl.h"
#include "analytics/tracker/UsageTrackerWrapper.h"
#include "app/InstallerReport.h"
#include "app/LaunchSettings.h"
#include "utils/Text.h"

#include <windows.h>

#include <cwchar>
#include <mutex>

using namespace tarvo::tracking;

namespace {

// Never destroyed: a tracker that is not released (analytics switched off by the command line
// after start-up) is abandoned at exit instead of being torn down during static destruction,
// when the statics it relies on may already be gone.
std::mutex& TrackerLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

std::shared_ptr<UsageTracker>& TrackerSlot()
{
    static auto* slot = new std::shared_ptr<UsageTracker>;
    return *slot;
}

std::string Utf8(const std::wstring& text)
{
    return Utils::ToNarrow(text, CP_UTF8);
}

// The tracker to report to, or null when reports are to be dropped. Reports keep their own
// reference, so a release on another thread never frees the tracker under them.
std::shared_ptr<UsageTracker> ReportTarget()
{
    if (!g_LaunchSettings.m_IsEnableAppAnalytics) return nullptr;
    std::lock_guard lock(TrackerLock());
    return TrackerSlot();
}

// qxc_ab for `eventType` when the map holds a valid "AB" value. An invalid value is left out
// rather than allowed to throw out of a report.
QxContextProperties ContextFrom(const ReportProperties& properties, QxEventType eventType)
{
    QxContextProperties context;
    const auto ab = properties.find(L"AB");
    if (ab == properties.end()) return context;
    const std::string value = Utf8(ab->second);
    try {
        if (QxContextProperties::isValidABValue(value))
            context.setProperty(QxContextProperties::kAbPropertyName, value, {static_cast<int>(eventType)});
    } catch (const QxException&) {
    }
    return context;
}

// The diagnostics the download and installation stages report as labelled events.
void ForwardInstallerReport(const std::wstring& label, const std::wstring& detail)
{
    ReportInstallerEvent(label, detail, 0, InstallerAbProperties());
}

} // namespace

ReportProperties InstallerAbProperties()
{
    return {{L"AB", L"IN"}};
}

TrackerConfig MakeTrackerConfig(const LaunchSettings& settings)
{
    TrackerConfig config;
    config.appName = Utf8(settings.m_AppName + settings.m_DlAppNameSuffix);
    config.appVersion = Utf8(settings.m_AppVersion);
    config.appStore = Utf8(settings.m_ExeName);
    config.dlAppId = Utf8(settings.m_AppName);
    config.dlAppVersion = Utf8(settings.m_DlAppVersion);
    config.edition = QxEdition::China;
    config.serverUrl = Utf8(settings.m_AnalyticsUrl);
    return config;
}

void StartAnalytics()
{
    StartAnalytics(L"");
}

void StartAnalytics(const std::wstring& executableFolder)
{
    if (!g_LaunchSettings.m_IsEnableAppAnalytics) return;
    auto impl = std::make_unique<UsageTrackerImpl>(MakeTrackerConfig(g_LaunchSettings), executableFolder);
    try {
        impl->init();
    } catch (...) {
        // The tracker stays without a working core; its reports are dropped.
    }
    auto wrapper = std::make_shared<UsageTrackerWrapper>(std::move(impl));
    {
        std::lock_guard lock(TrackerLock());
        TrackerSlot() = std::move(wrapper);
    }
    InstallerReport::SetReporter(&ForwardInstallerReport);
}

void StopAnalytics()
{
    std::shared_ptr<UsageTracker> released;
    {
        std::lock_guard lock(TrackerLock());
        released.swap(TrackerSlot());
    }
    released.reset(); // destroys the tracker unless a report still holds it
}

std::shared_ptr<UsageTracker> CurrentTracker()
{
    std::lock_guard lock(TrackerLock());
    return TrackerSlot();
}

void ReportInstallerEvent(const std::wstring& label, const std::wstring& detail, double elapsedSeconds,
                          const ReportProperties& properties)
{
    const auto tracker = ReportTarget();
    if (!tracker) return;
    QxEventTask event;
    event.name = Utf8(label);
    event.reason = Utf8(detail);
    event.elapsed = std::make_shared<float>(static_cast<float>(elapsedSeconds));
    event.result = std::make_shared<QxResult>(QxResult::Success);
    tracker->trackTask(event, ContextFrom(properties, QxEventType::Task));
}

void ReportInstallerClick(const ReportProperties& properties, const std::wstring& label)
{
    const auto tracker = ReportTarget();
    if (!tracker) return;
    QxEventClick event;
    event.name = Utf8(label);
    event.clickType = QxClickType::Button;
    tracker->trackClick(event, ContextFrom(properties, QxEventType::Click));
}

void ReportInstallerView(const ReportProperties& properties)
{
    const auto tracker = ReportTarget();
    if (!tracker) return;
    QxEventView event;
    event.name = Utf8(L"安装中");
    tracker->trackView(event, ContextFrom(properties, QxEventType::View));
}

void ReportCrash()
{
    const auto tracker = ReportTarget();
    if (!tracker) return;
    tracker->trackCrash(Utf8(L"崩溃"));
}
