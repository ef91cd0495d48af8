#include "FakeSender.h"
#include "support/TempDir.h"

#include "analytics/core/Sdk.h"
#include "analytics/core/SendStatus.h"
#include "analytics/installer/InstallerAnalytics.h"
#include "app/InstallerReport.h"
#include "app/LaunchSettings.h"
#include "utils/Text.h"

#include "ParseJson.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <thread>

using qx_analytics::Sdk;

namespace {

std::string U8(const std::wstring& text)
{
    return Utils::ToNarrow(text, CP_UTF8);
}

// The launch settings and the process-wide tracker are restored after every test; the state
// folder is private through "Set.ini" in a scratch executable folder.
class InstallerReportsTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved = g_LaunchSettings;
        StopAnalytics();
        Sdk::Shutdown();
        qx_analytics::SendStatus::Set(true);
        std::ofstream((dir / L"Set.ini").c_str())
            << "[Install]\r\nQXAnalyticsIni=" << Utils::ToNarrow(dir / L"state\\s.ini", CP_ACP) << "\r\n";
        g_LaunchSettings.m_IsEnableAppAnalytics = true;
        g_LaunchSettings.m_ExeName = L"Installer.exe";
        g_LaunchSettings.m_DlAppVersion = L"2.0";
        g_LaunchSettings.m_AnalyticsUrl = L"https://sink.test/sa?project=pc";
    }
    void TearDown() override
    {
        StopAnalytics();
        Sdk::Shutdown();
        qx_analytics::SendStatus::Set(false);
        g_LaunchSettings = saved;
    }
    void Start()
    {
        ASSERT_TRUE(Sdk::Init(L"", "", "device", false, std::make_unique<FakeSender>(log)));
        StartAnalytics(dir.path() + L"\\");
        ASSERT_NE(CurrentTracker(), nullptr);
    }
    std::vector<Json::Value> Queued()
    {
        std::vector<Json::Value> records;
        for (const auto& text : Sdk::QueuedRecords()) records.push_back(ParseJson(text));
        return records;
    }

    LaunchSettings saved;
    TempDir dir;
    std::shared_ptr<FakeSender::Log> log = std::make_shared<FakeSender::Log>();
};

TEST_F(InstallerReportsTest, DisabledCreatesWritesAndSendsNothing)
{
    g_LaunchSettings.m_IsEnableAppAnalytics = false;
    StartAnalytics(dir.path() + L"\\");
    EXPECT_EQ(CurrentTracker(), nullptr);
    EXPECT_FALSE(Sdk::IsInitialised());
    ReportInstallerEvent(L"安装成功", L"", 0, InstallerAbProperties());
    ReportInstallerClick(InstallerAbProperties(), L"立即安装");
    ReportInstallerView(InstallerAbProperties());
    ReportCrash();
    StopAnalytics();
    EXPECT_EQ(GetFileAttributesW((dir / L"state").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallerReportsTest, ReportsBeforeStartAreDropped)
{
    ReportInstallerEvent(L"libcurl初始化失败", L"", 0, InstallerAbProperties());
    Start();
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(InstallerReportsTest, StageDiagnosticsReachTheTrackerWithTheAbGroup)
{
    Start();
    InstallerReport::Event(L"下载失败原因", L":1.code=0；2.msg=curl文件md5校验失败");
    const auto records = Queued();
    ASSERT_EQ(records.size(), 1u);
    const Json::Value& task = records[0]["properties"];
    EXPECT_EQ(task["qx_task_name"].asString(), U8(L"下载失败原因"));
    EXPECT_EQ(task["qx_reason"].asString(), U8(L":1.code=0；2.msg=curl文件md5校验失败"));
    EXPECT_EQ(task["qxc_ab"].asString(), "IN");
}

TEST_F(InstallerReportsTest, TrackerConfigFromTheLaunchSettings)
{
    const auto config = MakeTrackerConfig(g_LaunchSettings);
    EXPECT_EQ(config.appName, "lumacut.downloader");
    EXPECT_EQ(config.appVersion, U8(g_LaunchSettings.m_AppVersion));
    EXPECT_EQ(config.appStore, "Installer.exe");
    EXPECT_EQ(config.dlAppId, "lumacut");
    EXPECT_EQ(config.dlAppVersion, "2.0");
    EXPECT_EQ(config.serverUrl, "https://sink.test/sa?project=pc");
    EXPECT_EQ(config.logFilePath, "");
}

TEST_F(InstallerReportsTest, ReportsCarryTheirPropertiesAndTheAbGroup)
{
    Start();
    ReportInstallerEvent(L"大包下载完毕", L"", 2.5, InstallerAbProperties());
    ReportInstallerEvent(L"下载失败原因", L":1.code=28；2.msg=timeout", 0, InstallerAbProperties());
    ReportInstallerClick(InstallerAbProperties(), L"立即安装");
    ReportInstallerView(InstallerAbProperties());
    const auto records = Queued();
    ASSERT_EQ(records.size(), 4u);
    const Json::Value& task = records[0]["properties"];
    EXPECT_EQ(records[0]["event"].asString(), "QxEventTask");
    EXPECT_EQ(task["qx_task_name"].asString(), U8(L"大包下载完毕"));
    EXPECT_EQ(task["qx_task_elapsed"].asDouble(), 2.5);
    EXPECT_EQ(task["qx_task_result"].asString(), "Success");
    EXPECT_FALSE(task.isMember("qx_reason"));
    EXPECT_EQ(task["qxc_ab"].asString(), "IN");
    EXPECT_TRUE(task["$is_first_time"].asBool());
    EXPECT_EQ(task["qx_app_id"].asString(), "lumacut.downloader");
    EXPECT_EQ(records[1]["properties"]["qx_reason"].asString(), U8(L":1.code=28；2.msg=timeout"));
    EXPECT_EQ(records[1]["properties"]["qx_task_elapsed"].asDouble(), 0.0);
    EXPECT_EQ(records[2]["event"].asString(), "QxEventClick");
    EXPECT_EQ(records[2]["properties"]["qx_name"].asString(), U8(L"立即安装"));
    EXPECT_EQ(records[2]["properties"]["qx_click_type"].asString(), "Button");
    EXPECT_EQ(records[2]["properties"]["qxc_ab"].asString(), "IN");
    EXPECT_EQ(records[3]["event"].asString(), "QxEventView");
    EXPECT_EQ(records[3]["properties"]["qx_name"].asString(), U8(L"安装中"));
    EXPECT_EQ(records[3]["properties"]["qxc_ab"].asString(), "IN");
    EXPECT_TRUE(log->Batches().empty()) << "count-mode reports wait for a flush";

    ReportCrash();
    const auto batches = log->Batches();
    ASSERT_EQ(batches.size(), 1u);
    const Json::Value sent = ParseJson(batches[0]);
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[4]["event"].asString(), "AppCrashed");
    EXPECT_EQ(sent[4]["properties"]["app_crashed_reason"].asString(), U8(L"崩溃"));
    EXPECT_FALSE(sent[4]["properties"].isMember("qxc_ab"));
}

TEST_F(InstallerReportsTest, InvalidAbValueIsLeftOutWithoutThrowing)
{
    Start();
    EXPECT_NO_THROW(ReportInstallerEvent(L"x", L"", 0, {{L"AB", L"in"}}));
    EXPECT_NO_THROW(ReportInstallerClick({{L"AB", L"TOOLONG"}}, L"y"));
    const auto records = Queued();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_FALSE(records[0]["properties"].isMember("qxc_ab"));
    EXPECT_FALSE(records[1]["properties"].isMember("qxc_ab"));
}

TEST_F(InstallerReportsTest, StopReleasesAndLaterReportsAreDropped)
{
    Start();
    ReportInstallerClick(InstallerAbProperties(), L"立即体验");
    StopAnalytics();
    EXPECT_EQ(CurrentTracker(), nullptr);
    EXPECT_FALSE(Sdk::IsInitialised());
    ASSERT_EQ(log->Batches().size(), 1u) << "the release flush sends the pending click";
    ReportInstallerClick(InstallerAbProperties(), L"立即体验");
    EXPECT_EQ(log->Batches().size(), 1u);
}

TEST_F(InstallerReportsTest, ConcurrentReportsAllReachTheReleaseFlush)
{
    qx_analytics::SendStatus::Set(false); // every after-event step runs detached
    Start();
    constexpr int kThreads = 4, kReports = 40;
    std::vector<std::thread> reporters;
    for (int t = 0; t < kThreads; ++t)
        reporters.emplace_back([] {
            for (int i = 0; i < kReports; ++i) ReportInstallerClick(InstallerAbProperties(), L"立即安装");
        });
    for (auto& reporter : reporters) reporter.join();
    StopAnalytics(); // waits for the detached steps, then flushes
    size_t delivered = 0;
    for (const auto& batch : log->Batches()) {
        const Json::Value records = ParseJson(batch);
        EXPECT_LE(records.size(), 30u);
        delivered += records.size();
    }
    EXPECT_EQ(delivered, static_cast<size_t>(kThreads * kReports));
}

} // namespace
