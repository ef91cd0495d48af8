#pragma once

#include "analytics/tracker/QxContextProperties.h"
#include "analytics/tracker/QxEvents.h"
#include "analytics/tracker/TrackLogger.h"

#include <string>

namespace tarvo::tracking {

// The typed front of the analytics client: one operation per kind of happening. Operations
// may be called from any thread. Implementations raise QxException on a refused record; the
// wrapper turns that into a printed failure line.
class UsageTracker {
public:
    virtual ~UsageTracker() = default;
    virtual void trackActivity(const QxContextProperties& context) = 0;
    virtual void trackLaunch(const QxContextProperties& context) = 0;
    virtual void trackLogin(const QxUserInfo& user, bool success, const std::string& reason,
                            const QxContextProperties& context) = 0;
    virtual void trackClick(const QxEventClick& event, const QxContextProperties& context) = 0;
    virtual void trackView(const QxEventView& event, const QxContextProperties& context) = 0;
    virtual void trackCashier(const QxEventCashier& event, const QxContextProperties& context) = 0;
    virtual void trackShare(const QxEventShare& event, const QxContextProperties& context) = 0;
    virtual void trackTask(const QxEventTask& event, const QxContextProperties& context) = 0;
    virtual void trackFile(const QxEventFile& event, const QxContextProperties& context) = 0;
    virtual void trackOrder(const QxEventOrder& event, const QxContextProperties& context) = 0;
    virtual void trackPayment(const QxEventPayment& event, const QxContextProperties& context) = 0;
    virtual void trackUninstall(const std::string& reason, const QxContextProperties& context) = 0;
    virtual void trackCrash(const std::string& reason) = 0;
    virtual void trackUpdate(const QxEventUpdate& event, const QxContextProperties& context) = 0;
    virtual void trackAppOpenNotification(const AppOpenNotification* notification,
                                          const QxContextProperties& context) = 0;
    virtual void setLocale(const std::string& locale) = 0;
    virtual std::string getDistinctId() = 0;
    virtual TrackLogger* getLogger() = 0;
};

} // namespace tarvo::tracking
