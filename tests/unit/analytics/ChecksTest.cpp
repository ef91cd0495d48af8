#include "ErrorCapture.h"

#include "analytics/core/Checks.h"
#include "analytics/core/PropertiesNode.h"

#include <gtest/gtest.h>

using namespace qx_analytics;

namespace {

std::vector<std::string> Errors(const std::function<void()>& action)
{
    ErrorCapture capture;
    action();
    return capture.Lines();
}

TEST(StrictUtf8, AcceptsAndRejectsByTheByteRanges)
{
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"printable ascii", "Az09 ~!", true},
        {"tab lf cr", "\t\n\r", true},
        {"control 0x01", "a\x01", false},
        {"nul", std::string("a\0b", 3), false},
        {"delete 0x7F", "\x7F", false},
        {"two bytes", "\xC2\x80\xDF\xBF", true},
        {"overlong C0/C1", "\xC1\xBF", false},
        {"three bytes E0 A0", "\xE0\xA0\x80", true},
        {"overlong E0 9F", "\xE0\x9F\xBF", false},
        {"chinese", "\xE5\xAE\x89\xE8\xA3\x85", true},
        {"ED below surrogates", "\xED\x9F\xBF", true},
        {"surrogate ED A0", "\xED\xA0\x80", false},
        {"EE EF", "\xEE\x80\x80\xEF\xBF\xBF", true},
        {"four bytes F0 90", "\xF0\x90\x80\x80", true},
        {"overlong F0 8F", "\xF0\x8F\xBF\xBF", false},
        {"F4 8F", "\xF4\x8F\xBF\xBF", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5", "\xF5\x80\x80\x80", false},
        {"truncated at end", "ok\xE5\xAE", false},
        {"lone continuation", "\x80", false},
        {"GBK bytes", "\xB0\xB2\xD7\xB0", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsStrictUtf8(c.text), c.valid) << c.name;
}

TEST(Checks, IdentifierLengthsAndMessages)
{
    EXPECT_EQ(Errors([] { EXPECT_FALSE(CheckIdentifier("Distinct ID", "")); }),
              std::vector<std::string>{"The Distinct ID is empty."});
    EXPECT_EQ(Errors([] { EXPECT_FALSE(CheckIdentifier("Original ID", std::string(256, 'a'))); }),
              std::vector<std::string>{"The Original ID is too long, max length is 255."});
    EXPECT_TRUE(Errors([] { EXPECT_TRUE(CheckIdentifier("Distinct ID", std::string(255, 'a'))); }).empty());
}

TEST(Checks, PropertyNames)
{
    const std::string tooLong = "The Event Name is empty or too long, max length is 100";
    const std::string badShape = "The Event Name need to be a valid variable name.";
    struct Case {
        std::string name;
        std::string error; // empty: accepted
    };
    const Case cases[] = {
        {"$app_id", ""},
        {"_a1", ""},
        {"qx_name", ""},
        {"A$b", ""},
        {std::string(100, 'a'), ""},
        {"", tooLong},
        {std::string(101, 'a'), tooLong},
        {"1abc", badShape},
        {"a-b", badShape},
        {"a b", badShape},
        {"\xE5\xAE\x89", badShape},
    };
    for (const Case& c : cases) {
        bool passed = false;
        const auto errors = Errors([&] { passed = CheckPropertyName("Event Name", c.name); });
        EXPECT_EQ(passed, c.error.empty()) << c.name;
        EXPECT_EQ(errors, c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error}) << c.name;
    }
}

TEST(Checks, TimeAndProjectTypes)
{
    struct Case {
        const char* name;
        std::function<void(PropertiesNode&)> fill;
        const char* error;
    };
    const Case cases[] = {
        {"time as DateTime", [](PropertiesNode& p) { p.SetDateTime("$time", 1, 2); }, nullptr},
        {"time as String", [](PropertiesNode& p) { p.SetString("$time", "x"); },
         "The property '$time' should be DateTime type."},
        {"project as String", [](PropertiesNode& p) { p.SetString("$project", "x"); }, nullptr},
        {"project as Int", [](PropertiesNode& p) { p.SetInt("$project", 1); },
         "The property '$project' should be String type."},
        {"bad key", [](PropertiesNode& p) { p.SetInt("9x", 1); }, "The Property Key need to be a valid variable name."},
    };
    for (const Case& c : cases) {
        PropertiesNode properties;
        c.fill(properties);
        bool passed = false;
        const auto errors = Errors([&] { passed = CheckProperties(properties); });
        EXPECT_EQ(passed, c.error == nullptr) << c.name;
        EXPECT_EQ(errors, c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{}) << c.name;
    }
}

TEST(Checks, RejectedStringValueLeavesEarlierValue)
{
    PropertiesNode properties;
    properties.SetString("a", "kept");
    const std::string tooLong(8193, 'x');
    const auto errors = Errors([&] {
        EXPECT_FALSE(properties.SetString("a", tooLong));
        EXPECT_FALSE(properties.SetString("a", "bad\x7F"));
        EXPECT_TRUE(properties.SetString("b", std::string(8192, 'y')));
    });
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "String property 'a' is too long, value: " + tooLong);
    EXPECT_EQ(errors[1], "String property 'a' is not valid UTF-8 string, value: bad\x7F");
    EXPECT_EQ(properties.Find("a")->text, "kept");
    EXPECT_EQ(properties.Find("b")->text.size(), 8192u);
}

} // namespace
