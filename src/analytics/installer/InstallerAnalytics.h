#pragma once

// The installer's usage reports. StartAnalytics/StopAnalytics bracket the run (main thread);
// the reports may come from any thread, including a crash filter, and never throw or block on
// the network. Everything is a no-op while analytics is disabled in the launch settings or
// not started; the property maps are consulted only for "AB" (the A/B group, "IN").

#include "analytics/tracker/TrackerConfig.h"

#include <map>
#include <memory>
#include <string>

class LaunchSettings;

namespace tarvo::tracking {
class UsageTracker;
}

using ReportProperties = std::map<std::wstring, std::wstring>;

// The one property map every installer report passes.
ReportProperties InstallerAbProperties();

// The tracker settings the installer uses: application name + suffix, version, its own file
// name as store, the downloader id and version, edition china, and the AnalyticsUrl setting.
tarvo::tracking::TrackerConfig MakeTrackerConfig(const LaunchSettings& settings);

// Builds and initialises the process-wide tracker when m_IsEnableAppAnalytics is set. A failing
// initialisation leaves a tracker whose reports are dropped. `executableFolder` (trailing
// backslash) is where a "Set.ini" override is looked for; empty: the running executable's.
void StartAnalytics();
void StartAnalytics(const std::wstring& executableFolder);

// Releases the tracker: saves its state, flushes queued records (up to three attempts, each
// bounded by the request time-out) and stages what could not be sent. Blocks for that.
void StopAnalytics();

// The tracker currently started, or null.
std::shared_ptr<tarvo::tracking::UsageTracker> CurrentTracker();

// A task event: qx_task_name = label, qx_reason = detail (when not empty), qx_task_elapsed,
// qx_task_result "Success". Queued until the next flush.
void ReportInstallerEvent(const std::wstring& label, const std::wstring& detail, double elapsedSeconds,
                          const ReportProperties& properties);
// A button click named `label`.
void ReportInstallerClick(const ReportProperties& properties, const std::wstring& label);
// The view "安装中".
void ReportInstallerView(const ReportProperties& properties);
// "AppCrashed" with the reason "崩溃", flushed at once when events are pending.
void ReportCrash();
