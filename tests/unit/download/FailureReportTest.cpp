#include "ClosedPort.h"

#include "download/CurlClient.h"
#include "app/InstallerReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Report {
    std::wstring event;
    std::wstring reason;
};

std::vector<Report> reports;

void Collect(const std::wstring& event, const std::wstring& reason)
{
    reports.push_back({event, reason});
}

class FailureReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reports.clear();
        m_previous = InstallerReport::SetReporter(&Collect);
        address = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/LumaCutSetup.exe";
    }
    void TearDown() override { InstallerReport::SetReporter(m_previous); }

    std::string address;

private:
    InstallerReport::Reporter m_previous = nullptr;
};

TEST_F(FailureReportTest, LengthLookUpWithoutAnAcceptedStatusIsReported)
{
    EXPECT_EQ(CurlClient::GetDownloadFileLength_Str(address), -1.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].event, L"下载失败原因");
    EXPECT_EQ(reports[0].reason, L"1.获取文件大小的状态码为=0；");
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
    InstallerReport::SetReporter(nullptr);
    CurlClient::GetDownloadFileLength_Str(address);
    EXPECT_TRUE(reports.empty());
}

} // namespace
