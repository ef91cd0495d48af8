#include "support/LogCapture.h"
#include "utils/DebugLog.h"
#include "utils/Thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

// <P%05d><T%05d><yyyy-mm-dd hh:mm:ss.mmm>(function)<line>: message
const std::wregex kLine(
    LR"(<P(\d{5,})><T(\d{5,})><(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3})>\(([^)]*)\)<(\d{4,})>: ([\s\S]*))");

TEST(LogLineTest, WritesThePrefixAndTheFormattedMessage)
{
    LogCapture log;
    SYSTEMTIME before;
    GetLocalTime(&before);
    LogLine(L"CurlClient::Start", 42, L"error:%d:%s\r\n", 28, L"Timeout was reached 超时");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);

    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
    EXPECT_EQ(std::stoul(m[1]), GetCurrentProcessId());
    EXPECT_EQ(std::stoul(m[2]), GetCurrentThreadId());
    EXPECT_EQ(std::stoi(m[3]), before.wYear);
    EXPECT_EQ(m[10].str(), L"CurlClient::Start");
    EXPECT_EQ(m[11].str(), L"0042");
    EXPECT_EQ(m[12].str(), L"error:28:Timeout was reached 超时\r\n");
}

TEST(LogLineTest, PadsIdsToFiveDigitsAndLinesToFour)
{
    LogCapture log;
    LogLine(L"F", 7, L"x");
    LogLine(L"F", 123456, L"y");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kLine));
    EXPECT_EQ(m[11].str(), L"0007");
    EXPECT_EQ(m[12].str(), L"x") << "a message without a line end gets none";
    ASSERT_TRUE(std::regex_match(lines[1], m, kLine));
    EXPECT_EQ(m[11].str(), L"123456");
}

TEST(LogLineTest, PercentSignsInTheFunctionNameAreNotFormatDirectives)
{
    LogCapture log;
    LogLine(L"weird%s%n", 1, L"v=%d", 5);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"(weird%s%n)<0001>: v=5"), std::wstring::npos) << lines[0];
}

TEST(LogLineTest, FormatsWideTextLongLinesAnd64BitNumbers)
{
    LogCapture log;
    const std::wstring longText(100000, L'z');
    LogLine(L"CMTCurlDownloader::getRealDownloadUrl", 9, L"Download File Length %lld\r\n", 5368709120LL);
    LogLine(L"CInstaller::Parse", 10, L"ExePath: %s", longText.c_str());
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(L": Download File Length 5368709120\r\n"), std::wstring::npos);
    EXPECT_EQ(lines[1].substr(lines[1].size() - longText.size()), longText);
}

TEST(LogLineTest, AWorkerLineCarriesTheWorkerThreadId)
{
    LogCapture log;
    unsigned workerId = 0;
    {
        Utils::Thread worker(&workerId, L"ABDEF", [](void* param) -> unsigned {
            *static_cast<unsigned*>(param) = GetCurrentThreadId();
            LogLine(L"Worker", 1, L"from worker\r\n");
            return 0;
        });
        ASSERT_TRUE(worker.Resume());
    }
    const auto lines = log.Matching(L"from worker");
    ASSERT_EQ(lines.size(), 1u);
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kLine));
    EXPECT_EQ(std::stoul(m[2]), workerId);
    EXPECT_NE(workerId, GetCurrentThreadId());
}

} // namespace
