// Measures the installer's report path: the mean cost of one report call with the analytics
// endpoint up and with it unreachable, the time to encode a 30-record batch, and the size of
// the request body against the raw JSON batch. Driven by bench/analytics/run.

#include "analytics/core/BatchEncoding.h"
#include "analytics/core/Sdk.h"
#include "analytics/installer/InstallerAnalytics.h"
#include "app/LaunchSettings.h"
#include "download/CurlGlobal.h"
#include "utils/Text.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::micro>(duration).count();
}

// Mean microseconds per ReportInstallerEvent against `url`, after a first crash report has
// settled whether the endpoint answers (which decides the synchronous or detached path).
double MeasureReports(const std::wstring& url, const std::wstring& folder, int calls)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    std::ofstream((folder + L"\\Set.ini").c_str())
        << "[Install]\r\nQXAnalyticsIni=" << Utils::ToNarrow(folder + L"\\state\\s.ini", CP_ACP) << "\r\n";
    g_LaunchSettings.m_IsEnableAppAnalytics = true;
    g_LaunchSettings.m_AnalyticsUrl = url;
    StartAnalytics(folder + L"\\");
    ReportCrash();
    const ReportProperties properties = InstallerAbProperties();
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) ReportInstallerEvent(L"开始下载大包", L"", 0, properties);
    const double mean = Microseconds(Clock::now() - start) / calls;
    StopAnalytics();
    return mean;
}

std::string SampleBatch()
{
    qx_analytics::Sdk::Shutdown();
    qx_analytics::Sdk::Init(L"", "", "8C0F4E67-B7C9-4953-8FDA-85A086E9D69A", false, nullptr);
    qx_analytics::PropertiesNode common;
    for (const char* name : {"qx_app_id", "$app_id", "qx_app_store", "qx_sdk", "qx_l10n_locale", "$os_version"})
        common.SetString(name, "lumacut.downloader");
    qx_analytics::Sdk::RegisterSuperProperties(common);
    for (int i = 0; i < 30; ++i) {
        qx_analytics::PropertiesNode properties;
        properties.SetString("qx_task_name", Utils::ToNarrow(L"大包下载完毕", CP_UTF8));
        properties.SetNumber("qx_task_elapsed", 12.5 + i);
        properties.SetString("qxc_ab", "IN");
        qx_analytics::Sdk::Track("QxEventTask", properties);
    }
    std::string batch = "[";
    for (const std::string& record : qx_analytics::Sdk::QueuedRecords())
        batch += (batch.size() > 1 ? "," : "") + record;
    qx_analytics::Sdk::Shutdown();
    return batch + "]";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: analytics_bench UP_URL DOWN_URL SCRATCH_FOLDER [CALLS]\n");
        return 2;
    }
    const int calls = argc > 4 ? _wtoi(argv[4]) : 200;
    CurlGlobal curl;
    curl.Init();

    const double up = MeasureReports(argv[1], std::wstring(argv[3]) + L"\\up", calls);
    const double down = MeasureReports(argv[2], std::wstring(argv[3]) + L"\\down", calls);
    std::printf("report call, endpoint up:          %9.1f us mean over %d calls\n", up, calls);
    std::printf("report call, endpoint unreachable: %9.1f us mean over %d calls (%.2f x up; goal <= 2)\n", down, calls,
                down / up);

    const std::string batch = SampleBatch();
    std::string body;
    constexpr int kRounds = 200;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) qx_analytics::EncodeBatchBody(batch, body);
    std::printf("encode 30-record batch:            %9.1f us mean over %d rounds\n",
                Microseconds(Clock::now() - start) / kRounds, kRounds);
    std::printf("request body against raw batch:    %9zu / %zu bytes (%.2f x)\n", body.size(), batch.size(),
                static_cast<double>(body.size()) / static_cast<double>(batch.size()));
    return 0;
}
