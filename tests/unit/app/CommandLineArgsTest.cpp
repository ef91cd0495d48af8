#include "app/CommandLineArgs.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(CommandLineArgsTest, SplitsAtTheFirstEqualsSignAndKeepsTheFirstOccurrence)
{
    const CommandLineArgs args(
        {L"-downloadurl=http://h/p?a=1&b=2", L"-downloadtype=3", L"-downloadtype=2", L"plain=value", L"-insnew"});
    EXPECT_EQ(args.Text(L"-downloadurl"), L"http://h/p?a=1&b=2");
    EXPECT_EQ(args.Integer(L"-downloadtype"), 3);
    EXPECT_TRUE(args.Has(L"plain=value")) << "without a leading '-' the whole argument is the key";
    EXPECT_FALSE(args.Has(L"plain"));
    EXPECT_TRUE(args.Has(L"-insnew"));
    EXPECT_EQ(args.Text(L"-insnew"), L"");
    EXPECT_FALSE(args.Has(L"-DownloadType")) << "keys are case-sensitive";
    EXPECT_EQ(args.Text(L"-absent"), L"");
}

struct IntegerCase {
    std::wstring text;
    std::optional<int> value;
};

class IntegerRuleTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerRuleTest, FollowsTheDecimalConversion)
{
    EXPECT_EQ(ValueRules::ParseInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Values, IntegerRuleTest,
                         ::testing::Values(IntegerCase{L"3", 3}, IntegerCase{L"  -12", -12}, IntegerCase{L"+7", 7},
                                           IntegerCase{L"42abc", 42}, IntegerCase{L"abc", 0}, IntegerCase{L"", 0},
                                           IntegerCase{L"0x10", 0}, IntegerCase{L"2147483647", 2147483647},
                                           IntegerCase{L"-2147483648", -2147483647 - 1},
                                           IntegerCase{L"2147483648", std::nullopt},
                                           IntegerCase{L"99999999999999999999999", std::nullopt}));

struct NumberCase {
    std::wstring text;
    std::optional<double> value; // NaN stands for "no number"
};

class NumberRuleTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberRuleTest, TakesTheLongestNumericPrefix)
{
    const NumberCase& c = GetParam();
    const auto parsed = ValueRules::ParseNumber(c.text, std::nan(""));
    ASSERT_EQ(parsed.has_value(), c.value.has_value()) << c.text;
    if (!parsed) return;
    if (std::isnan(*c.value))
        EXPECT_TRUE(std::isnan(*parsed)) << c.text;
    else
        EXPECT_DOUBLE_EQ(*parsed, *c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Values, NumberRuleTest,
                         ::testing::Values(NumberCase{L"0.5", 0.5}, NumberCase{L" 0.25x", 0.25},
                                           NumberCase{L"1e-1", 0.1}, NumberCase{L"-3", -3.0},
                                           NumberCase{L"abc", std::nan("")}, NumberCase{L"", std::nan("")},
                                           NumberCase{L"1e999", std::nullopt}));

TEST(BooleanRuleTest, OnlyTheExactWordTrueIsTrue)
{
    for (const wchar_t* text : {L"True", L"TRUE", L"1", L"yes", L" true", L"true ", L""})
        EXPECT_FALSE(ValueRules::ParseBoolean(text)) << text;
    EXPECT_TRUE(ValueRules::ParseBoolean(L"true"));
}

} // namespace
