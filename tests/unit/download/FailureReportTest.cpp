#include "ClosedPort.h"

#include "download/CurlClient.h"
#include "download/DownloadFailureReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Report {
    std::wstring event;
    std::wstring reason;
    DownloadFailureReport::Properties properties;
};

class FailureReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DownloadFailureReport::SetReporter(
            [this](const std::wstring& event, const std::wstring& reason, const DownloadFailureReport::Properties& p) {
                reports.push_back({event, reason, p});
            });
        address = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/LumaCutSetup.exe";
    }
    void TearDown() override { DownloadFailureReport::SetReporter({}); }

    std::vector<Report> reports;
    std::string address;
};

TEST_F(FailureReportTest, LengthLookUpWithoutAnAcceptedStatusIsReported)
{
    EXPECT_EQ(CurlClient::GetDownloadFileLength_Str(address), -1.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].event, L"下载失败原因");
    EXPECT_EQ(reports[0].reason, L"1.获取文件大小的状态码为=0；");
    EXPECT_EQ(reports[0].properties, (DownloadFailureReport::Properties{{L"AB", L"IN"}}));
}

TEST_F(FailureReportTest, FailedHeadLookUpIsReportedThroughTheHandle)
{
    Utils::UniqueCurl head = CurlClient::Head(address);
    ASSERT_TRUE(head);
    EXPECT_EQ(CurlClient::GetDownloadFileLength(head.get()), -1.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].reason, L"1.获取文件大小的状态码为=0；");
}

TEST_F(FailureReportTest, NothingIsReportedWithoutAReporter)
{
    DownloadFailureReport::SetReporter({});
    CurlClient::GetDownloadFileLength_Str(address);
    EXPECT_TRUE(reports.empty());
}

} // namespace
