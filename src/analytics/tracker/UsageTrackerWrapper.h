#pragma once

#include "analytics/tracker/UsageTracker.h"

#include <memory>

namespace tarvo::tracking {

// Owns a tracker and forwards to it. No exception leaves a track operation: a failure prints
// "Failed to <operation>" on the standard output when the wrapped tracker has a logger.
class UsageTrackerWrapper : public UsageTracker {
public:
    explicit UsageTrackerWrapper(std::unique_ptr<UsageTracker> tracker);

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

    // Where the failure lines go (tests divert them); null restores the standard output.
    using FailureSink = void (*)(const std::string& line);
    static FailureSink SetFailureSink(FailureSink sink);

private:
    template <class Call> void Guarded(const char* operation, Call&& call);

    std::unique_ptr<UsageTracker> m_tracker;
};

} // namespace tarvo::tracking
