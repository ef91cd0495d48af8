#include "app/InstallerReport.h"

#include <atomic>

namespace InstallerReport {

namespace {
std::atomic<Reporter> g_reporter{nullptr};
} // namespace

Reporter SetReporter(Reporter reporter)
{
    return g_reporter.exchange(reporter);
}

void Event(const std::wstring& label, const std::wstring& detail)
{
    if (const Reporter reporter = g_reporter.load()) reporter(label, detail);
}

} // namespace InstallerReport
