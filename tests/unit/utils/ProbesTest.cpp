#include "support/LogCapture.h"
#include "utils/Privileges.h"
#include "utils/Probes.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <cwctype>

namespace {

struct LabelCase {
    unsigned major, minor, build;
    bool serverR2;
    std::wstring label;
};

class OsVersionLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(OsVersionLabelTest, MapsVersionNumbersToLabels)
{
    const LabelCase& c = GetParam();
    EXPECT_EQ(Utils::OsVersionLabel(c.major, c.minor, c.build, c.serverR2), c.label);
}

INSTANTIATE_TEST_SUITE_P(Table, OsVersionLabelTest,
                         ::testing::Values(LabelCase{4, 9, 0, false, L"XP-"}, LabelCase{5, 0, 0, false, L"2K"},
                                           LabelCase{5, 1, 2600, false, L"XP"},
                                           LabelCase{5, 2, 0, false, L"Server 2003"},
                                           LabelCase{5, 2, 0, true, L"Server 2003 R2"},
                                           LabelCase{5, 3, 0, false, L"XP+"}, LabelCase{6, 0, 0, false, L"Vista"},
                                           LabelCase{6, 1, 0, false, L"7"}, LabelCase{6, 2, 0, false, L"8"},
                                           LabelCase{6, 3, 0, false, L"8.1"}, LabelCase{6, 4, 0, false, L"8.1+"},
                                           LabelCase{10, 0, 22000, false, L"10"}, LabelCase{10, 1, 0, false, L"10+"},
                                           LabelCase{11, 0, 30000, false, L"11.0.30000"},
                                           LabelCase{7, 2, 1, false, L"7.2.1"}));

TEST(GetOsNameTest, DescribesTheRunningSystem)
{
    std::wstring family, version;
    Utils::GetOsName(family, version);
    EXPECT_EQ(family, L"Windows");
    EXPECT_FALSE(version.empty());
}

TEST(NewGuidStringTest, Gives32HexDigitsWithOnlyTheThirdGroupInLowerCase)
{
    const std::wstring first = Utils::NewGuidString();
    const std::wstring second = Utils::NewGuidString();
    ASSERT_EQ(first.size(), 32u);
    EXPECT_NE(first, second);
    for (const std::wstring& guid : {first, second}) {
        for (size_t i = 0; i < guid.size(); ++i) {
            const wchar_t c = guid[i];
            ASSERT_TRUE(std::iswxdigit(c)) << i;
            const bool thirdGroup = i >= 12 && i < 16;
            if (std::iswalpha(c)) {
                EXPECT_EQ(thirdGroup, std::iswlower(c) != 0) << guid << " at " << i;
            }
        }
    }
}

TEST(CheckNetworkTest, VerdictCombinesFlagsAndOutcome)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    LogCapture log;
    const uint32_t verdict = Utils::CheckNetwork();
    CoUninitialize();
    const uint32_t flags = verdict & 0xFFFF;
    const uint32_t outcome = verdict >> 16;
    ASSERT_LE(outcome, 2u);
    // The outcome follows from the flags, and each non-zero outcome has its log line.
    if (outcome == 1) {
        EXPECT_EQ(flags, 0u);
        EXPECT_EQ(log.Matching(L"(Utils::CheckNetwork)<").size(), 1u);
    } else if (outcome == 2) {
        EXPECT_NE(flags, 0u);
        EXPECT_EQ(log.Matching(L"get_IsConnectedToInternet:0").size(), 1u);
    } else {
        EXPECT_TRUE(log.Matching(L"(Utils::CheckNetwork)").empty());
    }
    EXPECT_EQ(Utils::IsNetworkUsable(verdict), outcome == 0);
}

TEST(PrivilegesTest, AnUnknownAccountIsNoAdministrator)
{
    EXPECT_FALSE(Utils::IsAdminAccount(L"no-such-user-4f2a9"));
}

TEST(PrivilegesTest, TheConsoleUserIsNamed)
{
    std::wstring user = L"unchanged";
    if (Utils::GetConsoleUserName(user)) {
        EXPECT_FALSE(user.empty());
    } else {
        EXPECT_EQ(user, L"unchanged");
    }
}

} // namespace
