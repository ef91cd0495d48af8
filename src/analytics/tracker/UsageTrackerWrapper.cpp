#include "analytics/tracker/UsageTrackerWrapper.h"

#include <atomic>
#include <cstdio>

namespace tarvo::tracking {

namespace {
std::atomic<UsageTrackerWrapper::FailureSink> g_failureSink{nullptr};
}

UsageTrackerWrapper::UsageTrackerWrapper(std::unique_ptr<UsageTracker> tracker) : m_tracker(std::move(tracker)) {}

UsageTrackerWrapper::FailureSink UsageTrackerWrapper::SetFailureSink(FailureSink sink)
{
    return g_failureSink.exchange(sink);
}

template <class Call> void UsageTrackerWrapper::Guarded(const char* operation, Call&& call)
{
    if (!m_tracker) return;
    try {
        call(*m_tracker);
    } catch (...) {
        try {
            if (!m_tracker->getLogger()) return;
            const std::string line = std::string("Failed to ") + operation + "\n";
            if (FailureSink sink = g_failureSink.load()) {
                sink(line);
            } else {
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fflush(stdout);
            }
        } catch (...) {
        }
    }
}

void UsageTrackerWrapper::trackActivity(const QxContextProperties& context)
{
    Guarded("trackActivity", [&](UsageTracker& t) { t.trackActivity(context); });
}

void UsageTrackerWrapper::trackLaunch(const QxContextProperties& context)
{
    Guarded("trackLaunch", [&](UsageTracker& t) { t.trackLaunch(context); });
}

void UsageTrackerWrapper::trackLogin(const QxUserInfo& user, bool success, const std::string& reason,
                                     const QxContextProperties& context)
{
    Guarded("trackLogin", [&](UsageTracker& t) { t.trackLogin(user, success, reason, context); });
}

void UsageTrackerWrapper::trackClick(const QxEventClick& event, const QxContextProperties& context)
{
    Guarded("trackClick", [&](UsageTracker& t) { t.trackClick(event, context); });
}

void UsageTrackerWrapper::trackView(const QxEventView& event, const QxContextProperties& context)
{
    Guarded("trackView", [&](UsageTracker& t) { t.trackView(event, context); });
}

void UsageTrackerWrapper::trackCashier(const QxEventCashier& event, const QxContextProperties& context)
{
    Guarded("trackCashier", [&](UsageTracker& t) { t.trackCashier(event, context); });
}

void UsageTrackerWrapper::trackShare(const QxEventShare& event, const QxContextProperties& context)
{
    Guarded("trackShare", [&](UsageTracker& t) { t.trackShare(event, context); });
}

void UsageTrackerWrapper::trackTask(const QxEventTask& event, const QxContextProperties& context)
{
    Guarded("trackTask", [&](UsageTracker& t) { t.trackTask(event, context); });
}

void UsageTrackerWrapper::trackFile(const QxEventFile& event, const QxContextProperties& context)
{
    Guarded("trackFile", [&](UsageTracker& t) { t.trackFile(event, context); });
}

void UsageTrackerWrapper::trackOrder(const QxEventOrder& event, const QxContextProperties& context)
{
    Guarded("trackOrder", [&](UsageTracker& t) { t.trackOrder(event, context); });
}

void UsageTrackerWrapper::trackPayment(const QxEventPayment& event, const QxContextProperties& context)
{
    Guarded("trackPayment", [&](UsageTracker& t) { t.trackPayment(event, context); });
}

void UsageTrackerWrapper::trackUninstall(const std::string& reason, const QxContextProperties& context)
{
    Guarded("trackUninstall", [&](UsageTracker& t) { t.trackUninstall(reason, context); });
}

void UsageTrackerWrapper::trackCrash(const std::string& reason)
{
    Guarded("trackCrash", [&](UsageTracker& t) { t.trackCrash(reason); });
}

void UsageTrackerWrapper::trackUpdate(const QxEventUpdate& event, const QxContextProperties& context)
{
    Guarded("trackUpdate", [&](UsageTracker& t) { t.trackUpdate(event, context); });
}

void UsageTrackerWrapper::trackAppOpenNotification(const AppOpenNotification* notification,
                                                   const QxContextProperties& context)
{
    Guarded("trackAppOpenNotification", [&](UsageTracker& t) { t.trackAppOpenNotification(notification, context); });
}

void UsageTrackerWrapper::setLocale(const std::string& locale)
{
    if (m_tracker) m_tracker->setLocale(locale);
}

std::string UsageTrackerWrapper::getDistinctId()
{
    return m_tracker ? m_tracker->getDistinctId() : std::string();
}

TrackLogger* UsageTrackerWrapper::getLogger()
{
    return nullptr;
}

} // namespace tarvo::tracking
