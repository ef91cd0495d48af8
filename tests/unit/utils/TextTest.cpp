#include "utils/Text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct EscapeCase {
    std::string input;
    std::string escaped;
};

class UrlEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(UrlEscapeTest, EscapesByteWise)
{
    EXPECT_EQ(Utils::UrlEscape(GetParam().input), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(Bytes, UrlEscapeTest,
                         ::testing::Values(EscapeCase{"a b/\xC3\xBC", "a+b/%C3%BC"},
                                           EscapeCase{"http://h/p?q=1&r=%41#f", "http://h/p?q=1&r=%41#f"},
                                           EscapeCase{"~!\x7F", "~!%7F"}, // 126 stays, 127 does not
                                           EscapeCase{std::string("\x00\x01\t\n", 4), "%00%01%09%0A"},
                                           EscapeCase{"\xFF", "%FF"}, EscapeCase{"", ""}));

TEST(EscapeUrlTest, EscapesTheUtf8FormOfAWideAddress)
{
    EXPECT_EQ(Utils::EscapeUrl(L"http://h/安装 包.exe"), L"http://h/%E5%AE%89%E8%A3%85+%E5%8C%85.exe");
}

TEST(ConversionTest, RoundTripsThroughExplicitCodePages)
{
    const std::wstring text = L"安装成功 ok";
    EXPECT_EQ(Utils::ToWide(Utils::ToNarrow(text, CP_UTF8), CP_UTF8), text);
    const std::string gbk = Utils::ToNarrow(text, 936);
    EXPECT_EQ(gbk, "\xB0\xB2\xD7\xB0\xB3\xC9\xB9\xA6 ok");
    EXPECT_EQ(Utils::ToWide(gbk, 936), text);
    EXPECT_EQ(Utils::ToWide("", CP_UTF8), L"");
    EXPECT_EQ(Utils::ToNarrow(L"", CP_UTF8), "");
}

TEST(Utf8ToWideTest, RejectsMalformedInputWithAnEmptyResult)
{
    EXPECT_EQ(Utils::Utf8ToWide("\xE5\xAE\x89"), L"安");
    EXPECT_EQ(Utils::Utf8ToWide("ok\xE5\xAE"), L"") << "a truncated sequence";
    EXPECT_EQ(Utils::Utf8ToWide("\xC0\xAF"), L"") << "an overlong form";
    EXPECT_EQ(Utils::Utf8ToWide("\xFF"), L"");
}

struct ReplaceCase {
    std::wstring text, searched, replacement, expected;
};

class ReplaceAllTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesEveryOccurrence)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(Utils::ReplaceAll(c.text, c.searched, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    ::testing::Values(ReplaceCase{L"http://h/${ROUTE}/a/${ROUTE}", L"${ROUTE}", L"download_silent",
                                  L"http://h/download_silent/a/download_silent"},
                      ReplaceCase{L"no placeholder", L"${ROUTE}", L"x", L"no placeholder"},
                      // Searching again from the start also catches an occurrence a replacement forms.
                      ReplaceCase{L"aabb", L"ab", L"", L""},
                      // A replacement containing the searched text must still terminate.
                      ReplaceCase{L"x-a-a", L"a", L"[a]", L"x-[a]-[a]"}, ReplaceCase{L"abc", L"", L"z", L"abc"}));

TEST(UIntToWStringTest, WritesPlainDecimal)
{
    EXPECT_EQ(Utils::UIntToWString(0), L"0");
    EXPECT_EQ(Utils::UIntToWString(4294967295u), L"4294967295");
}

} // namespace

namespace {

TEST(ShortestNumberTest, ReadsBackAsTheSameDouble)
{
    EXPECT_EQ(Utils::ShortestNumber(0.7), L"0.7");
    EXPECT_EQ(Utils::ShortestNumber(0.1 + 0.2), L"0.30000000000000004");
    EXPECT_EQ(Utils::ShortestNumber(1000.0), L"1000");
    EXPECT_EQ(Utils::ShortestNumber(-2.0), L"-2");
    EXPECT_EQ(Utils::ShortestNumber(1e300), L"1e+300");
    EXPECT_EQ(Utils::ShortestNumber(std::nan("")), L"nan");
}

} // namespace
