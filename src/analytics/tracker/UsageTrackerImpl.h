#pragma once

#include "analytics/tracker/FlushScheduler.h"
#include "analytics/tracker/LocalState.h"
#include "analytics/tracker/NativeTrackLogger.h"
#include "analytics/tracker/TrackerConfig.h"
#include "analytics/tracker/UsageTracker.h"

#include <memory>
#include <mutex>
#include <string>

namespace qx_analytics {
class PropertiesNode;
}

namespace tarvo::tracking {

// The tracker: checks each event record, turns it into properties, sends it through the
// process-wide Sdk and runs the after-event step. init() starts the Sdk; destruction saves the
// local state, flushes what is pending and shuts the Sdk down (which stages what is left).
// One tracker per process at a time, since the Sdk is process-wide.
class UsageTrackerImpl : public UsageTracker {
public:
    static constexpr char kDefaultServerUrl[] = "https://analytics.lumacut.example/sa?project=pc";
    static constexpr char kSdkVersion[] = "3.3.8";
    static constexpr char kSdkKind[] = "WindowsCPP";
    static constexpr char kTrackType[] = "Client";
    static constexpr char kPlatform[] = "Windows";
    static constexpr char kInstallSource[] = "android_id=123##imei=1234##mac=123";

    // `executableFolder` (with trailing backslash) is where "Set.ini" may override the state
    // file; empty means the running executable's folder.
    explicit UsageTrackerImpl(const TrackerConfig& config, std::wstring executableFolder = L"");
    ~UsageTrackerImpl() override;

    // Raises QxException when a mandatory setting is empty or the Sdk refuses to start.
    void init();

    void trackActivity(const QxContextProperties& context) override;
    void trackLaunch(const QxContextProperties& context) override;
    void trackLogin(const QxUserInfo& user, bool success, const std::string& reason,
                    const QxContextProperties& context) override;
    void trackClick(const QxEventClick& event, const QxContextProperties& context) override;
    void trackView(const QxEventView& event, const QxContextProperties& context) override;
    void trackCashier(const QxEventCashier& event, const QxContextProperties& context) override;
    void trackShare(const QxEventShare& event, const QxContextProperties& context) override;
    void trackTask(const QxEventTask& event, const QxContextProperties& context) override;
    void trackFile(const QxEventFile& event, const QxContextProperties& context) override;
    void trackOrder(const QxEventOrder& event, const QxContextProperties& context) override;
    void trackPayment(const QxEventPayment& event, const QxContextProperties& context) override;
    void trackUninstall(const std::string& reason, const QxContextProperties& context) override;
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) override;
    void trackAppOpenNotification(const AppOpenNotification* notification, const QxContextProperties& context) override;
    void setLocale(const std::string& locale) override;
    std::string getDistinctId() override;
    TrackLogger* getLogger() override;

    const LocalState& state() const { return *m_state; }
    int pending() const { return m_scheduler.Pending(); }

private:
    void Send(const std::string& eventName, QxEventType type, qx_analytics::PropertiesNode& properties,
              const QxContextProperties& context);
    void RegisterCommonProperties();
    void RegisterLocale();
    void SetVisitDates(int64_t nowMilliseconds);

    std::string m_serverUrl;
    std::string m_appName;
    std::string m_appVersion;
    std::string m_appStore;
    std::string m_dlAppId;
    std::string m_dlAppVersion;
    std::unique_ptr<NativeTrackLogger> m_logger;
    QxEdition m_edition;
    std::unique_ptr<LocalState> m_state;

    std::string m_configuredLogPath;
    std::wstring m_executableFolder;
    std::mutex m_stateLock; // login and payment steps versus each other
    FlushScheduler m_scheduler;
};

} // namespace tarvo::tracking
