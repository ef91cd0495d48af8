#include "FakeSender.h"
#include "support/TempDir.h"

#include "analytics/core/Checks.h"
#include "analytics/core/Sdk.h"
#include "analytics/core/SendStatus.h"
#include "analytics/tracker/NativeUserTracker.h"
#include "analytics/tracker/QxException.h"
#include "analytics/tracker/UsageTrackerImpl.h"
#include "analytics/tracker/UsageTrackerWrapper.h"
#include "utils/Text.h"

#include "ParseJson.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <mutex>
#include <regex>

using namespace tarvo::tracking;
using qx_analytics::Sdk;

namespace {

std::string ReadIni(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[512] = {};
    GetPrivateProfileStringW(section, key, L"", value, 512, file.c_str());
    return Utils::ToNarrow(value, CP_UTF8);
}

std::vector<std::string>& FailureLines()
{
    static std::vector<std::string> lines;
    return lines;
}

void CollectFailure(const std::string& line)
{
    FailureLines().push_back(line);
}

// A tracker over a private state folder (through "Set.ini" in a scratch executable folder) and
// a fake sender installed in the Sdk before the tracker starts it.
class TrackerTest : public testing::Test {
protected:
    static constexpr char kServer[] = "https://sink.test/sa?project=pc";

    void SetUp() override
    {
        Sdk::Shutdown();
        qx_analytics::SendStatus::Set(true); // after-event steps on the calling thread
        stateFile = dir / L"state\\app_QXSConfigure.ini";
        // Forward slashes are accepted in the override.
        std::ofstream((dir / L"Set.ini").c_str())
            << "[Install]\r\nQXAnalyticsIni=" << Utils::ToNarrow(Utils::ReplaceAll(stateFile, L"\\", L"/"), CP_ACP)
            << "\r\n";
        config.appName = "app";
        config.appVersion = "1.2.3";
        config.appStore = "store.exe";
        config.dlAppId = "dl";
        config.serverUrl = kServer;
    }
    void TearDown() override
    {
        tracker.reset();
        Sdk::Shutdown();
        qx_analytics::SendStatus::Set(false);
    }

    void Start(const std::wstring& staging = L"")
    {
        ASSERT_TRUE(Sdk::Init(staging, "", "pre-set", false, std::make_unique<FakeSender>(log)));
        tracker = std::make_unique<UsageTrackerImpl>(config, dir.path() + L"\\");
        tracker->init();
    }

    std::vector<Json::Value> Queued()
    {
        std::vector<Json::Value> records;
        for (const auto& text : Sdk::QueuedRecords()) records.push_back(ParseJson(text));
        return records;
    }

    TempDir dir;
    std::wstring stateFile;
    TrackerConfig config;
    std::shared_ptr<FakeSender::Log> log = std::make_shared<FakeSender::Log>();
    std::unique_ptr<UsageTrackerImpl> tracker;
};

TEST_F(TrackerTest, FirstRunMakesAnIdentityAndWritesTheStateFile)
{
    Start();
    const std::string id = ReadIni(stateFile, L"Base", L"DistinctId");
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}"))) << id;
    EXPECT_EQ(ReadIni(stateFile, L"Base", L"PrimaryDistinctId"), id);
    EXPECT_EQ(ReadIni(stateFile, L"Base", L"isLogined"), "NG");
    EXPECT_EQ(ReadIni(stateFile, L"Base", L"URL"), kServer);
    EXPECT_EQ(ReadIni(stateFile, L"UninstallInfo", L"AppStore"), "store.exe");
    EXPECT_EQ(ReadIni(stateFile, L"UninstallInfo", L"AppName"), "app");
    EXPECT_EQ(ReadIni(stateFile, L"UninstallInfo", L"AppVersion"), "1.2.3");
    EXPECT_EQ(tracker->getDistinctId(), id);
    EXPECT_EQ(tracker->state().dataFolder, dir / L"state\\");
    EXPECT_NE(GetFileAttributesW((dir / L"state\\app_QXSLog.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(tracker->getLogger(), nullptr);
}

TEST_F(TrackerTest, StoredStateRules)
{
    struct Case {
        const char* name;
        const char* url;
        const char* isLogined;
        bool loggedIn;
        const char* userId;
        const char* distinctId;
    };
    const Case cases[] = {
        {"same server, logged in", kServer, "OK", true, "u1", "u1"},
        {"lower-case ok is not logged in", kServer, "ok", false, "u1", "u1"},
        {"server changed: user forgotten", "https://old.test/sa", "OK", false, "", "P-1"},
    };
    for (const Case& c : cases) {
        CreateDirectoryW((dir / L"state").c_str(), nullptr);
        std::ofstream(stateFile.c_str(), std::ios::trunc)
            << "[Base]\r\nDistinctId=u1\r\nPrimaryDistinctId=P-1\r\nUserId=u1\r\nisLogined=" << c.isLogined
            << "\r\nURL=" << c.url << "\r\n";
        Start();
        EXPECT_EQ(tracker->state().loggedIn, c.loggedIn) << c.name;
        EXPECT_EQ(tracker->state().userId, c.userId) << c.name;
        EXPECT_EQ(tracker->state().distinctId, c.distinctId) << c.name;
        EXPECT_EQ(ReadIni(stateFile, L"Base", L"URL"), kServer) << c.name;
        EXPECT_EQ(tracker->getDistinctId(), "P-1") << c.name;
        tracker.reset();
    }
}

TEST_F(TrackerTest, InitRefusesMissingSettings)
{
    const struct {
        std::string TrackerConfig::*member;
        const char* error;
    } cases[] = {{&TrackerConfig::appName, "appName is empty"},
                 {&TrackerConfig::appVersion, "appVersion is empty"},
                 {&TrackerConfig::appStore, "appStore is empty"}};
    for (const auto& c : cases) {
        TrackerConfig broken = config;
        broken.*c.member = "";
        UsageTrackerImpl impl(broken, dir.path() + L"\\");
        try {
            impl.init();
            ADD_FAILURE() << c.error;
        } catch (const QxException& error) {
            EXPECT_STREQ(error.what(), c.error);
            EXPECT_EQ(error.function(), "init");
        }
        EXPECT_EQ(impl.getLogger(), nullptr);
    }
}

TEST_F(TrackerTest, CommonPropertiesRideOnEveryTrackRecord)
{
    Start();
    QxEventView view;
    view.name = "page";
    tracker->trackView(view, QxContextProperties());
    const auto records = Queued();
    ASSERT_EQ(records.size(), 1u);
    const Json::Value& p = records[0]["properties"];
    EXPECT_EQ(p["qx_app_id"].asString(), "app");
    EXPECT_EQ(p["$app_id"].asString(), "app");
    EXPECT_EQ(p["$app_version"].asString(), "1.2.3");
    EXPECT_EQ(p["qx_app_store"].asString(), "store.exe");
    EXPECT_EQ(p["qx_edition"].asString(), "china");
    EXPECT_EQ(p["qx_dlapp_id"].asString(), "dl");
    EXPECT_FALSE(p.isMember("qx_dlapp_version")) << "left out when empty";
    EXPECT_EQ(p["qx_app_platform"].asString(), "Windows");
    EXPECT_EQ(p["qx_track_type"].asString(), "Client");
    EXPECT_EQ(p["qx_sdk_version"].asString(), "3.3.8");
    EXPECT_EQ(p["qx_sdk"].asString(), "WindowsCPP");
    EXPECT_EQ(p["$os"].asString(), "Windows");
    EXPECT_FALSE(p["$os_version"].asString().empty());
    EXPECT_TRUE(p["$screen_width"].isInt());
    EXPECT_TRUE(p.isMember("qx_l10n_locale"));
    EXPECT_EQ(p["$lib"].asString(), "cpp");
    tracker->setLocale("fr_CA");
    tracker->trackView(view, QxContextProperties());
    const Json::Value after = Queued().back()["properties"];
    EXPECT_EQ(after["qx_l10n_locale"].asString(), "fr_CA");
    EXPECT_EQ(after["qx_l10n_language"].asString(), "fr");
    EXPECT_EQ(after["qx_l10n_country"].asString(), "CA");
}

TEST_F(TrackerTest, EventTable)
{
    Start();
    QxContextProperties context;
    context.setProperty("qxc_ab", "IN", {7, 3, 13});
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* event;
        std::map<std::string, Json::Value> present;
        std::vector<std::string> absent;
        int pendingAdded; // -1: flush-now with events pending
    };
    auto task = [](const char* name, std::shared_ptr<QxResult> result, std::shared_ptr<float> elapsed) {
        QxEventTask event;
        event.name = name;
        event.result = std::move(result);
        event.elapsed = std::move(elapsed);
        return event;
    };
    const Case cases[] = {
        {"task success with elapsed",
         [&] {
             tracker->trackTask(task("t", std::make_shared<QxResult>(QxResult::Success), std::make_shared<float>(2.5f)),
                                context);
         },
         "QxEventTask",
         {{"qx_task_name", "t"},
          {"qx_task_result", "Success"},
          {"qx_task_elapsed", 2.5},
          {"qxc_ab", "IN"},
          {"$is_first_time", true}},
         {"qx_reason", "qx_aname"},
         1},
        {"task cancelled",
         [&] { tracker->trackTask(task("t", std::make_shared<QxResult>(QxResult::Cancelled), nullptr), context); },
         "QxEventTask",
         {{"qx_task_result", "Cancelled"}},
         {"qx_task_elapsed"},
         1},
        {"task unknown result sends none",
         [&] { tracker->trackTask(task("t", std::make_shared<QxResult>(QxResult::Unknown), nullptr), context); },
         "QxEventTask",
         {},
         {"qx_task_result"},
         1},
        {"click",
         [&] {
             QxEventClick click;
             click.name = "b";
             click.tabIndex = std::make_shared<int>(3);
             tracker->trackClick(click, context);
         },
         "QxEventClick",
         {{"qx_name", "b"}, {"qx_click_type", "Button"}, {"qx_tab_index", 3}, {"qxc_ab", "IN"}},
         {"qx_title", "qx_banner_index"},
         2},
        {"view has no task context",
         [&] {
             QxEventView view;
             view.name = "v";
             tracker->trackView(view, context);
         },
         "QxEventView",
         {{"qx_name", "v"}, {"$is_first_time", true}},
         {"qxc_ab"},
         2},
        {"uninstall",
         [&] { tracker->trackUninstall("why", context); },
         "QxEventUninstall",
         {{"qx_uninstall_reason", "why"}},
         {"$is_first_time"},
         -1},
        {"update check without result",
         [&] {
             QxEventUpdate update;
             tracker->trackUpdate(update, context);
         },
         "QxEventUpdate",
         {{"qx_update_op", "UpdateCheck"}, {"qx_update_result", ""}},
         {"qx_elapsed"},
         0},
        {"launch flushes what is pending",
         [&] {
             QxEventClick click;
             click.name = "c";
             tracker->trackClick(click, context);
             tracker->trackLaunch(context);
         },
         "QxEventLaunch",
         {},
         {"qxc_ab"},
         -1},
    };
    for (const Case& c : cases) {
        const size_t queuedBefore = Sdk::QueuedRecords().size();
        const size_t batchesBefore = log->Batches().size();
        const int pendingBefore = tracker->pending();
        c.call();
        // Count-mode events stay queued; flush-now events with something pending go out.
        Json::Value record;
        const auto queued = Queued();
        if (c.pendingAdded >= 0) {
            ASSERT_EQ(queued.size(), queuedBefore + 1) << c.name;
            record = queued.back();
            EXPECT_EQ(tracker->pending(), pendingBefore + c.pendingAdded) << c.name;
        } else {
            const auto batches = log->Batches();
            ASSERT_EQ(batches.size(), batchesBefore + 1) << c.name;
            EXPECT_TRUE(queued.empty()) << c.name;
            const Json::Value sent = ParseJson(batches.back());
            record = sent[sent.size() - 1];
            EXPECT_EQ(tracker->pending(), 0) << c.name;
        }
        EXPECT_EQ(record["event"].asString(), c.event) << c.name;
        for (const auto& [key, value] : c.present) EXPECT_EQ(record["properties"][key], value) << c.name << " " << key;
        for (const auto& key : c.absent) EXPECT_FALSE(record["properties"].isMember(key)) << c.name << " " << key;
    }
}

TEST_F(TrackerTest, RefusalsRaiseAndQueueNothing)
{
    Start();
    const QxContextProperties none;
    QxEventClick badType;
    badType.name = "b";
    badType.clickType = static_cast<QxClickType>(7);
    QxEventOrder order;
    order.suitId = "s";
    QxEventPayment payment;
    payment.orderId = "o";
    QxEventUpdate end;
    end.step = QxUpdateOp::DownloadEnd;
    AppOpenNotification notification;
    notification.planId = "p";
    struct Case {
        std::function<void()> call;
        std::string error;
    };
    const Case cases[] = {
        {[&] { tracker->trackTask(QxEventTask(), none); }, "qxEventTask.name is empty"},
        {[&] { tracker->trackClick(QxEventClick(), none); }, "qxEventClick.name is empty"},
        {[&] { tracker->trackClick(badType, none); }, "Unknown ClickType [7]!"},
        {[&] { tracker->trackView(QxEventView(), none); }, "qxEventView.name is empty"},
        {[&] { tracker->trackCashier(QxEventCashier(), none); }, "qxEventCashier.qx_cashier_name is empty"},
        {[&] { tracker->trackFile(QxEventFile(), none); }, "qxEventFile.aname is empty"},
        {[&] { tracker->trackOrder(order, none); }, "qxEventOrder.qxCurrency is nullptr"},
        {[&] { tracker->trackPayment(payment, none); }, "qxEventPayment.result is invalid"},
        {[&] { tracker->trackUpdate(end, none); }, "Unknown updateResultInfo info"},
        {[&] { tracker->trackAppOpenNotification(nullptr, none); }, "&appOpenNotification is nullptr"},
        {[&] { tracker->trackAppOpenNotification(&notification, none); }, "planType is emptry"},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.error;
        } catch (const QxException& error) {
            EXPECT_EQ(error.what(), c.error);
            EXPECT_EQ(error.sourceFile(), "UsageTrackerImpl");
        }
    }
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(TrackerTest, WrapperPrintsTheFailureAndSwallowsIt)
{
    Start();
    auto* impl = tracker.release();
    UsageTrackerWrapper wrapper{std::unique_ptr<UsageTracker>(impl)};
    FailureLines().clear();
    const auto previous = UsageTrackerWrapper::SetFailureSink(&CollectFailure);
    EXPECT_NO_THROW(wrapper.trackTask(QxEventTask(), QxContextProperties()));
    EXPECT_NO_THROW(wrapper.trackAppOpenNotification(nullptr, QxContextProperties()));
    UsageTrackerWrapper::SetFailureSink(previous);
    EXPECT_EQ(FailureLines(),
              (std::vector<std::string>{"Failed to trackTask\n", "Failed to trackAppOpenNotification\n"}));
    EXPECT_EQ(wrapper.getLogger(), nullptr);
    EXPECT_FALSE(wrapper.getDistinctId().empty());
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(TrackerTest, CrashIsSentAtOnceWithWhatIsQueued)
{
    Start();
    tracker->trackCrash("boom");
    auto batches = log->Batches();
    ASSERT_EQ(batches.size(), 1u) << "a lone crash report still leaves at once";
    Json::Value sent = ParseJson(batches[0]);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["event"].asString(), "AppCrashed");
    EXPECT_EQ(sent[0]["properties"]["app_crashed_reason"].asString(), "boom");
    EXPECT_FALSE(sent[0]["properties"].isMember("$is_first_time"));

    QxContextProperties context;
    context.setProperty("qxc_ab", "IN", {3, 13});
    QxEventClick click;
    click.name = "b";
    tracker->trackClick(click, context);
    tracker->trackCrash("again");
    batches = log->Batches();
    ASSERT_EQ(batches.size(), 2u);
    sent = ParseJson(batches[1]);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["event"].asString(), "QxEventClick");
    EXPECT_EQ(sent[1]["event"].asString(), "AppCrashed");
    EXPECT_FALSE(sent[1]["properties"].isMember("qxc_ab")) << "crashes carry no context properties";
    EXPECT_EQ(tracker->pending(), 0);
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(TrackerTest, CrashWithTheEndpointDownStagesTheRunsRecords)
{
    const std::wstring staging = dir / L"records.txt";
    Start(staging);
    log->SetDelivering(false);
    qx_analytics::SendStatus::Set(false); // other flush-now steps would now leave the caller
    QxEventClick click;
    click.name = "b";
    tracker->trackClick(click, QxContextProperties());
    tracker->trackCrash("boom");
    // Returned only after its own attempts, with both records on disk.
    EXPECT_EQ(log->Batches().size(), 3u);
    std::ifstream file(staging.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ParseJson(lines[0])["event"].asString(), "QxEventClick");
    EXPECT_EQ(ParseJson(lines[1])["event"].asString(), "AppCrashed");
    EXPECT_EQ(Sdk::QueuedRecords().size(), 2u) << "still queued for a later flush";
}

TEST_F(TrackerTest, AnsiTextsArriveAsUtf8)
{
    Start();
    QxEventTask event;
    const std::string ansi = "caf\xE9"; // not UTF-8, so read in the ANSI code page
    event.name = ansi;
    event.reason = "\xE5\xAE\x89"; // already UTF-8: kept
    tracker->trackTask(event, QxContextProperties());
    const Json::Value p = Queued().back()["properties"];
    EXPECT_EQ(p["qx_task_name"].asString(), Utils::ToNarrow(Utils::ToWide(ansi, CP_ACP), CP_UTF8));
    EXPECT_TRUE(qx_analytics::IsStrictUtf8(p["qx_task_name"].asString()));
    EXPECT_EQ(p["qx_reason"].asString(), "\xE5\xAE\x89");
}

TEST_F(TrackerTest, ProfileRules)
{
    Start();
    const auto raised = [](const std::function<void()>& call) -> std::string {
        try {
            call();
        } catch (const QxException& error) {
            return error.what();
        }
        return "";
    };
    EXPECT_EQ(raised([] { NativeUserTracker::ProfileUserPropertyString("qx_paid_count", "1"); }),
              "user property [qx_paid_count] is string type value, it cannot be accumulated!");
    EXPECT_EQ(raised([] { NativeUserTracker::ProfileUserPropertyString("nope", "1"); }),
              "Not supported user property [nope]!");
    EXPECT_EQ(raised([] { NativeUserTracker::ProfileUserPropertyDateTime("qx_visit_count", 1); }),
              "user property [qx_visit_count] is boolean value, it cannot be accumulative!");
    EXPECT_EQ(raised([] { NativeUserTracker::ProfileUserPropertyNumber("qx_consumption", 2.5); }), "");
    EXPECT_EQ(raised([] { NativeUserTracker::ProfileUserPropertyDateTime("qx_first_visit_date", 1600000000123); }), "");
    const auto records = Queued();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["type"].asString(), "profile_increment");
    EXPECT_EQ(records[0]["properties"]["qx_consumption"].asDouble(), 2.5);
    EXPECT_EQ(records[1]["type"].asString(), "profile_set_once");
    EXPECT_EQ(records[1]["properties"]["qx_first_visit_date"].asString().substr(19), ".123");
}

} // namespace
