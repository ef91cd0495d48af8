#include "ErrorCapture.h"
#include "FakeSender.h"

#include "analytics/core/Sdk.h"

#include "ParseJson.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <windows.h>

using qx_analytics::PropertiesNode;
using qx_analytics::Sdk;

namespace {

int64_t NowMs()
{
    return static_cast<int64_t>(time(nullptr)) * 1000;
}

// Each test gets a fresh process-wide instance over a fake sender, released afterwards.
class SdkTest : public testing::Test {
protected:
    void SetUp() override
    {
        Sdk::Shutdown();
        ASSERT_TRUE(Sdk::Init(L"", "https://unused.invalid/sa?project=pc", "device-1", false,
                              std::make_unique<FakeSender>(log)));
    }
    void TearDown() override { Sdk::Shutdown(); }

    std::vector<Json::Value> Queued()
    {
        std::vector<Json::Value> records;
        for (const auto& text : Sdk::QueuedRecords()) records.push_back(ParseJson(text));
        return records;
    }

    std::shared_ptr<FakeSender::Log> log = std::make_shared<FakeSender::Log>();
};

TEST_F(SdkTest, TrackRecordLayoutAndMemberOrder)
{
    PropertiesNode properties;
    properties.SetString("qx_name", "x");
    const int64_t before = NowMs();
    ASSERT_TRUE(Sdk::Track("QxEventClick", properties));
    const auto texts = Sdk::QueuedRecords();
    ASSERT_EQ(texts.size(), 1u);
    const std::string& text = texts[0];
    // Members in byte order of their names.
    size_t at = 0;
    for (const char* member : {"{\"_track_id\":", ",\"distinct_id\":\"device-1\"", ",\"event\":\"QxEventClick\"",
                               ",\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"}",
                               ",\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\",\"qx_name\":\"x\"}",
                               ",\"time\":", ",\"type\":\"track\"}"}) {
        const size_t found = text.find(member, at);
        ASSERT_NE(found, std::string::npos) << member << " in " << text;
        at = found + 1;
    }
    const Json::Value record = ParseJson(text);
    EXPECT_FALSE(record.isMember("project"));
    EXPECT_FALSE(record.isMember("original_id"));
    EXPECT_GE(record["time"].asInt64(), before);
    EXPECT_LE(record["time"].asInt64(), NowMs() + 1000);
}

TEST_F(SdkTest, TimeAndProjectPropertiesMoveIntoTheRecord)
{
    PropertiesNode properties;
    properties.SetDateTime("$time", 1600000000, 250);
    properties.SetString("$project", "pc");
    properties.SetInt("n", 1);
    ASSERT_TRUE(Sdk::Track("E", properties));
    PropertiesNode emptyProject;
    emptyProject.SetString("$project", "");
    ASSERT_TRUE(Sdk::Track("E", emptyProject));
    const auto records = Queued();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["time"].asInt64(), 1600000000250LL);
    EXPECT_EQ(records[0]["project"].asString(), "pc");
    EXPECT_FALSE(records[0]["properties"].isMember("$time"));
    EXPECT_FALSE(records[0]["properties"].isMember("$project"));
    EXPECT_FALSE(records[1].isMember("project"));
    EXPECT_FALSE(records[1]["properties"].isMember("$project"));
}

TEST_F(SdkTest, RejectedCallsNeverReachTheQueue)
{
    struct Case {
        const char* name;
        std::string event;
        std::function<void(PropertiesNode&)> fill;
        const char* error;
    };
    const Case cases[] = {
        {"digit first", "1event", [](PropertiesNode&) {}, "The Event Name need to be a valid variable name."},
        {"hyphen", "a-b", [](PropertiesNode&) {}, "The Event Name need to be a valid variable name."},
        {"too long", std::string(101, 'e'), [](PropertiesNode&) {},
         "The Event Name is empty or too long, max length is 100"},
        {"time as string", "E", [](PropertiesNode& p) { p.SetString("$time", "now"); },
         "The property '$time' should be DateTime type."},
        {"project as bool", "E", [](PropertiesNode& p) { p.SetBool("$project", true); },
         "The property '$project' should be String type."},
    };
    for (const Case& c : cases) {
        PropertiesNode properties;
        c.fill(properties);
        ErrorCapture capture;
        EXPECT_FALSE(Sdk::Track(c.event, properties)) << c.name;
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{c.error}) << c.name;
    }
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(SdkTest, SuperPropertiesRideOnTrackButNotOnProfileRecords)
{
    PropertiesNode super;
    super.SetString("qx_app_id", "app");
    super.SetString("shared", "super");
    Sdk::RegisterSuperProperties(super);
    PropertiesNode own;
    own.SetString("shared", "own");
    ASSERT_TRUE(Sdk::Track("E", own));
    ASSERT_TRUE(Sdk::ProfileSet("qx_os", std::string("Windows")));
    ASSERT_TRUE(Sdk::ProfileIncrement("qx_paid_count", 1));
    ASSERT_TRUE(Sdk::ProfileAppend("tags", "a"));
    ASSERT_TRUE(Sdk::TrackWithInstallSource("A", PropertiesNode()));
    Sdk::ClearSuperProperties();
    ASSERT_TRUE(Sdk::Track("E", PropertiesNode()));

    const auto records = Queued();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0]["properties"]["shared"].asString(), "own");
    EXPECT_EQ(records[0]["properties"]["qx_app_id"].asString(), "app");
    EXPECT_EQ(records[1]["type"].asString(), "profile_set");
    EXPECT_FALSE(records[1].isMember("event"));
    EXPECT_EQ(records[1]["properties"].getMemberNames(), std::vector<std::string>{"qx_os"});
    EXPECT_EQ(records[2]["type"].asString(), "profile_increment");
    EXPECT_EQ(records[2]["properties"]["qx_paid_count"].asInt(), 1);
    EXPECT_EQ(records[3]["type"].asString(), "profile_append");
    EXPECT_EQ(records[3]["properties"]["tags"][0].asString(), "a");
    EXPECT_EQ(records[4]["properties"]["$ios_install_source"].asString(), "");
    EXPECT_EQ(records[5]["properties"].getMemberNames(), (std::vector<std::string>{"$lib", "$lib_version"}));
}

TEST_F(SdkTest, LoginSignsUpAndChangesTheIdentity)
{
    ASSERT_TRUE(Sdk::Login("user-9"));
    ASSERT_TRUE(Sdk::ProfileSet("qx_os", std::string("x")));
    const auto records = Queued();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["type"].asString(), "track_signup");
    EXPECT_EQ(records[0]["event"].asString(), "$SignUp");
    EXPECT_EQ(records[0]["distinct_id"].asString(), "user-9");
    EXPECT_EQ(records[0]["original_id"].asString(), "device-1");
    EXPECT_EQ(records[1]["distinct_id"].asString(), "user-9");
    EXPECT_TRUE(records[1]["properties"]["$is_login_id"].asBool());
}

TEST_F(SdkTest, SecondInitChangesNothingAndBadIdRefused)
{
    EXPECT_TRUE(Sdk::Init(L"", "", "other", true));
    ASSERT_TRUE(Sdk::Track("E", PropertiesNode()));
    EXPECT_EQ(Queued()[0]["distinct_id"].asString(), "device-1");
    Sdk::Shutdown();
    ErrorCapture capture;
    EXPECT_FALSE(Sdk::Init(L"", "", "", false));
    EXPECT_EQ(capture.Lines(), std::vector<std::string>{"The Distinct ID is empty."});
    EXPECT_FALSE(Sdk::IsInitialised());
    EXPECT_FALSE(Sdk::Track("E", PropertiesNode())) << "calls without an instance are dropped";
}

TEST_F(SdkTest, ProfileValueRejectedStillBuildsAnEmptyRecord)
{
    ErrorCapture capture;
    ASSERT_TRUE(Sdk::ProfileSet("qx_os", std::string("bad\x01")));
    const auto records = Queued();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0]["properties"].getMemberNames().empty());
    EXPECT_EQ(capture.Lines().size(), 1u);
}

TEST(TrackId, DigitsComeFromTheirRanges)
{
    for (int i = 0; i < 2000; ++i) {
        const int64_t now = 1700000001234LL + i;
        const int64_t id = Sdk::MakeTrackId(now);
        ASSERT_GE(id, 0);
        ASSERT_LE(id, 999999999);
        const int64_t lastFour = id % 10000, middle = id / 10000 % 1000, firstTwo = id / 10000000;
        EXPECT_EQ(lastFour, now % 10000);
        // 1000-1998 keep 000-998; 100-198 keep 00-98.
        EXPECT_LE(middle, 998);
        EXPECT_LE(firstTwo, 98);
    }
}

} // namespace
