#include "download/DownloadFailureReport.h"

#include <memory>
#include <mutex>

namespace DownloadFailureReport {

namespace {

std::mutex g_mutex;
std::shared_ptr<const Reporter> g_reporter;

} // namespace

void SetReporter(Reporter reporter)
{
    auto replacement = reporter ? std::make_shared<const Reporter>(std::move(reporter)) : nullptr;
    std::lock_guard lock(g_mutex);
    g_reporter = std::move(replacement);
}

void Report(const std::wstring& reason, const Properties& properties)
{
    std::shared_ptr<const Reporter> reporter;
    {
        std::lock_guard lock(g_mutex);
        reporter = g_reporter;
    }
    // Called outside the lock, so a reporter may itself replace the reporter.
    if (reporter) (*reporter)(kEventName, reason, properties);
}

} // namespace DownloadFailureReport
