#include "analytics/core/Json.h"
#include "analytics/core/ObjectNode.h"
#include "analytics/core/PropertiesNode.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>

using namespace qx_analytics;

namespace {

TEST(Json, ValuesByteExact)
{
    struct Case {
        const char* name;
        std::function<void(utils::ObjectNode&)> fill;
        std::string json;
    };
    const Case cases[] = {
        {"empty", [](utils::ObjectNode&) {}, "{}"},
        {"int", [](utils::ObjectNode& n) { n.SetInt("a", -42); }, R"({"a":-42})"},
        {"int64", [](utils::ObjectNode& n) { n.SetInt64("t", 1700000000123LL); }, R"({"t":1700000000123})"},
        {"number 12.5", [](utils::ObjectNode& n) { n.SetNumber("n", 12.5); }, R"({"n":12.5})"},
        {"number 1234567", [](utils::ObjectNode& n) { n.SetNumber("n", 1234567); }, R"({"n":1.23457e+06})"},
        {"number 0", [](utils::ObjectNode& n) { n.SetNumber("n", 0); }, R"({"n":0})"},
        {"number 0.0001", [](utils::ObjectNode& n) { n.SetNumber("n", 0.0001); }, R"({"n":0.0001})"},
        {"number 1e-5", [](utils::ObjectNode& n) { n.SetNumber("n", 0.00001); }, R"({"n":1e-05})"},
        {"bools", [](utils::ObjectNode& n) { n.SetBool("t", true), n.SetBool("f", false); }, R"({"f":false,"t":true})"},
        {"escapes in a string", [](utils::ObjectNode& n) { n.SetString("s", "\t\n\r\"\\"); }, R"({"s":"\t\n\r\"\\"})"},
        // Lists skip the value checks, so they can carry the other control bytes.
        {"seven escapes, other controls copied",
         [](utils::ObjectNode& n) { n.SetList("l", {"\b\t\n\f\r\"\\\x01\x7F"}); },
         "{\"l\":[\"\\b\\t\\n\\f\\r\\\"\\\\\x01\x7F\"]}"},
        {"slash and utf-8 unchanged", [](utils::ObjectNode& n) { n.SetString("s", "a/b\xE5\xAE\x89"); },
         "{\"s\":\"a/b\xE5\xAE\x89\"}"},
        {"list",
         [](utils::ObjectNode& n) {
             n.SetList("l", {"x", "y\"", ""});
         },
         R"({"l":["x","y\"",""]})"},
        {"empty list", [](utils::ObjectNode& n) { n.SetList("l", {}); }, R"({"l":[]})"},
        {"byte order",
         [](utils::ObjectNode& n) {
             n.SetInt("qx_app_id", 1), n.SetInt("_x", 2), n.SetInt("Zed", 3), n.SetInt("$app_id", 4), n.SetInt("ab", 5),
                 n.SetInt("a", 6);
         },
         R"({"$app_id":4,"Zed":3,"_x":2,"a":6,"ab":5,"qx_app_id":1})"},
        {"nested",
         [](utils::ObjectNode& n) {
             utils::ObjectNode inner;
             inner.SetInt("b", 1);
             n.SetObject("o", inner);
         },
         R"({"o":{"b":1}})"},
    };
    for (const Case& c : cases) {
        utils::ObjectNode node;
        c.fill(node);
        EXPECT_EQ(ToJson(node), c.json) << c.name;
    }
}

TEST(Json, DateTimeIsLocalTimeWithMilliseconds)
{
    // Whatever the time zone, the text must match the runtime's own local conversion.
    const int64_t seconds = 1700000000;
    const __time64_t time = seconds;
    std::tm local{};
    ASSERT_EQ(_localtime64_s(&local, &time), 0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "{\"d\":\"%04d-%02d-%02d %02d:%02d:%02d.007\"}", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    utils::ObjectNode node;
    node.SetDateTime("d", seconds, 7);
    EXPECT_EQ(ToJson(node), expected);
}

TEST(Json, PropertiesNodeIgnoresNestedObjectsAndSetReplaces)
{
    PropertiesNode properties;
    utils::ObjectNode inner;
    inner.SetInt("b", 1);
    properties.SetObject("o", inner);
    properties.SetInt("a", 1);
    properties.SetString("a", "two");
    EXPECT_EQ(ToJson(properties), R"({"a":"two"})");
}

} // namespace
