#include "analytics/core/Json.h"
#include "analytics/core/PropertiesNode.h"
#include "analytics/tracker/DeviceDescription.h"
#include "analytics/tracker/QxContextProperties.h"
#include "analytics/tracker/QxEnumTexts.h"
#include "analytics/tracker/QxException.h"

#include <gtest/gtest.h>

using namespace tarvo::tracking;

namespace {

// The message of the QxException `action` raises, or "" when it raises nothing.
template <class Action> std::string Raised(Action&& action)
{
    try {
        action();
    } catch (const QxException& error) {
        return error.what();
    }
    return "";
}

TEST(ABValue, Rules)
{
    struct Case {
        std::string value;
        bool valid;
        std::string error;
    };
    const Case cases[] = {
        {"IN", true, ""},
        {"A1", true, ""},
        {"Z", true, ""},
        {"AB9", true, ""},
        {"", false, ""},
        {"ABCD", false, "value's length is great than 3."},
        {"in", false, "First char is not in A to Z"},
        {"1A", false, "First char is not in A to Z"},
        {"Ab", false, "second char is not in A to Z and 0 to 9"},
        {"AB-", false, "third char is not in A to Z and 0 to 9"},
    };
    for (const Case& c : cases) {
        bool valid = false;
        EXPECT_EQ(Raised([&] { valid = QxContextProperties::isValidABValue(c.value); }), c.error) << c.value;
        EXPECT_EQ(valid, c.valid) << c.value;
    }
}

TEST(ContextProperties, StoredOncePerObjectAndOnlyForItsTypes)
{
    QxContextProperties context;
    context.setProperty("qxc_ab", "IN", {static_cast<int>(QxEventType::Task)});
    context.setProperty("qxc_both", "B", {static_cast<int>(QxEventType::Click), static_cast<int>(QxEventType::View)});
    EXPECT_EQ(Raised([&] { context.setProperty("qxc_ab", "IN", {7}); }), "Property[qxc_ab] already exist!");
    EXPECT_EQ(Raised([&] { context.setProperty("qxc_new", "X", {15}); }), "QxEvent[15] overflow!");
    EXPECT_EQ(Raised([&] { context.getEventProperties(15); }), "QxEvent[15] overflow!");

    const auto merged = [&](QxEventType type) {
        qx_analytics::PropertiesNode properties;
        properties.SetString("qxc_ab", "old");
        context.MergeInto(type, properties);
        return qx_analytics::ToJson(properties);
    };
    EXPECT_EQ(merged(QxEventType::Task), R"({"qxc_ab":"IN"})");
    EXPECT_EQ(merged(QxEventType::Click), R"({"qxc_ab":"old","qxc_both":"B"})");
    EXPECT_EQ(merged(QxEventType::View), R"({"qxc_ab":"old","qxc_both":"B"})");
    EXPECT_EQ(merged(QxEventType::Crashed), R"({"qxc_ab":"old"})");
}

TEST(EnumTexts, KnownAndUnknownValues)
{
    EXPECT_EQ(EventTypeText(1), "PaLaunchPal");
    EXPECT_EQ(EventTypeText(14), "AppOpenNotification");
    EXPECT_EQ(EventTypeText(15), "Unknown Event [15]!");
    EXPECT_EQ(ClickTypeText(QxClickType::Others, "f"), "Others");
    EXPECT_EQ(IapTypeText(QxIapType::Consumable, "f"), "Consumable");
    EXPECT_EQ(UserTypeText(QxUserType::Facebook, "f"), "facebook");
    EXPECT_EQ(UpdateOpText(QxUpdateOp::UpgrateEnd, "f"), "UpgrateEnd");
    struct Case {
        std::function<void()> action;
        std::string error;
    };
    const Case cases[] = {
        {[] { ClickTypeText(static_cast<QxClickType>(7), "f"); }, "Unknown ClickType [7]!"},
        {[] { ResultText(static_cast<QxResult>(4), "f"); }, "Unknown task result [4]!"},
        {[] { UserTypeText(static_cast<QxUserType>(12), "f"); }, "Unknown user type [12]!"},
        {[] { FileDirectionText(static_cast<QxFileDirection>(2), "f"); }, "the io type is invalid"},
        {[] { CurrencyText(static_cast<QxCurrency>(11), "f"); }, "Unknown currency [11]!"},
        {[] { PaidPlatformText(static_cast<QxPaidPlatform>(10), "f"); }, "Unknown paid platform [10]!"},
        {[] { IapTypeText(static_cast<QxIapType>(0), "f"); }, "Unknown qxIapType [0]!"},
        {[] { UpdateOpText(static_cast<QxUpdateOp>(5), "f"); }, "Unknown QxUpdateOp [5]!"},
        {[] { UpdateResultText(static_cast<QxUpdateResult>(6), "f"); }, "Unknown updateResultInfo info"},
        {[] { EditionText(static_cast<QxEdition>(2), "f"); }, "Unknown edition [2]!"},
    };
    for (const Case& c : cases) EXPECT_EQ(Raised(c.action), c.error);
}

TEST(DeviceDescription, OsVersionTable)
{
    struct Case {
        bool known;
        unsigned major, minor, build;
        bool is64, r2;
        const char* text;
    };
    const Case cases[] = {
        {true, 5, 0, 2195, false, false, "2K"},
        {true, 5, 1, 2600, false, false, "XP"},
        {true, 5, 2, 3790, true, false, "XP64"},
        {true, 5, 2, 3790, false, true, "Server 2003 R2"},
        {true, 5, 2, 3790, false, false, "Server 2003"},
        {true, 5, 3, 0, false, false, "XP+"},
        {true, 6, 0, 6002, true, false, "Vista64"},
        {true, 6, 0, 6002, false, false, "Vista"},
        {true, 6, 1, 7601, true, false, "7"},
        {true, 6, 1, 7601, false, false, "7-32"},
        {true, 6, 2, 9200, false, false, "8-32"},
        {true, 6, 3, 9600, false, false, "8.1"},
        {true, 6, 4, 0, false, false, "8.1+"},
        {true, 10, 0, 19045, true, false, "10"},
        {true, 10, 0, 22000, true, false, "11"},
        {true, 10, 1, 0, true, false, "11+"},
        {true, 11, 2, 30000, true, false, "11.2.30000"},
        {true, 4, 0, 1381, false, false, "XP-"},
        {false, 0, 0, 0, false, false, "XP-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeviceDescription::OsVersionText(c.known, c.major, c.minor, c.build, c.is64, c.r2), c.text)
            << c.major << "." << c.minor << "." << c.build;
    EXPECT_EQ(DeviceDescription::UserAgent("Windows", "10", true), "Mozilla/5.0(Windows 10; Win64;)");
    EXPECT_EQ(DeviceDescription::UserAgent("Windows", "7-32", false), "Mozilla/5.0(Windows 7-32; Win32;)");
}

TEST(DeviceDescription, StoredLocaleSplitsAtFirstUnderscore)
{
    const auto locale = DeviceDescription::ResolveLocale("zh_Hans_CN");
    EXPECT_EQ(locale.locale, "zh_Hans_CN");
    EXPECT_EQ(locale.language, "zh");
    EXPECT_EQ(locale.country, "Hans_CN");
    const auto system = DeviceDescription::ResolveLocale("en");
    EXPECT_EQ(system.locale.empty(), system.language.empty());
    if (!system.locale.empty()) {
        EXPECT_EQ(system.locale, system.language + "_" + system.country);
    }
}

} // namespace
