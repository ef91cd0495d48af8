#include "analytics/installer/InstallerAnalytics.h"

#include "analytics/tracker/QxContextProperties.h"
#include "analytics/tracker/QxException.h"
#include "analytics/tracker/UsageTrackerImpl.h"
#include "analytics/tracker/UsageTrackerWrapper.h"
#include "app/LaunchSettings.h"
#include "utils/Text.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <mutex>

using namespace tarvo::tracking;

namespace {

constexpr size_t kDetailCapacity = 200;

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

std::wstring FormatDetail(const wchar_t* format, ...)
{
    wchar_t buffer[kDetailCapacity] = {};
    va_list arguments;
    va_start(arguments, format);
    // A text that does not fit is cut rather than lost.
    _vsnwprintf(buffer, kDetailCapacity - 1, format, arguments);
    va_end(arguments);
    buffer[kDetailCapacity - 1] = L'\0';
    return buffer;
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
    std::lock_guard lock(TrackerLock());
    TrackerSlot() = std::move(wrapper);
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

std::wstring FormatCodeMessageDetail(long code, const std::wstring& message)
{
    return FormatDetail(L":1.code=%ld；2.msg=%s", code, message.c_str());
}

std::wstring FormatLengthLookupDetail(long status)
{
    return FormatDetail(L"1.获取文件大小的状态码为=%ld；", status);
}

std::wstring FormatDownloadFailureDetail(long code, const std::wstring& message, double freeGigabytes,
                                         bool cacheWritable, int connectionCode)
{
    return FormatDetail(L"1.code=%ld；2.msg=%s；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%s；5.服务器连接状态code=%d", code,
                        message.c_str(), freeGigabytes, cacheWritable ? L"可读" : L"无权限", connectionCode);
}
