#include "EventRecorder.h"
#include "TestPackages.h"

#include "app/LaunchSettings.h"
#include "install/DownloadInstaller.h"
#include "install/InstallEvents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::set<int32_t> kFinalCodes = {DL_CODE_FAIL, INSTALL_SUCCESS, IST_CODE_FAIL, UNIST_CODE_FAIL, UNIST_CODE_ERROR};

std::wstring FileUrl(const std::wstring& path)
{
    std::wstring url = L"file:///" + path;
    std::replace(url.begin(), url.end(), L'\\', L'/');
    return url;
}

std::vector<int32_t> Codes(const std::vector<Event>& events)
{
    std::vector<int32_t> codes;
    for (const Event& e : events) codes.push_back(e.code);
    return codes;
}

bool Contains(const std::vector<int32_t>& codes, int32_t code)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Starts `program` (a copy of output-child) sleeping for `milliseconds`; its process handle.
Utils::UniqueHandle StartSleeper(const std::wstring& program, DWORD milliseconds, DWORD* processId = nullptr)
{
    std::wstring commandLine = L"\"" + program + L"\" sleep " + std::to_wstring(milliseconds);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return Utils::UniqueHandle();
    Utils::UniqueHandle thread(info.hThread);
    if (processId) *processId = info.dwProcessId;
    return Utils::UniqueHandle(info.hProcess);
}

// One orchestrated attempt at a time, with the single-stream downloader on a local package
// address; the launch settings are restored afterwards.
class DownloadInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_LaunchSettings;
        g_LaunchSettings.m_DownloadType = 1;
        g_LaunchSettings.m_InsNew = false;
        g_LaunchSettings.m_InstCmd.clear();
        ASSERT_TRUE(CopyFileW(TestPackages::Package(L"success").c_str(), source().c_str(), FALSE));
    }
    void TearDown() override { g_LaunchSettings = m_saved; }

    std::wstring source() const { return m_server / L"LumaCutSetup.exe"; }
    std::wstring url() const { return FileUrl(source()); }

    // Runs one attempt to its final event; the orchestrator is released before returning, so
    // every deferred clean-up has happened.
    std::vector<Event> Install(const std::wstring& directory, const std::wstring& previousUninstaller)
    {
        EventRecorder recorder(kFinalCodes);
        {
            CDownloadInstaller installer(recorder.Callback(), url(), previousUninstaller, directory, true, true, false);
            installer.SetParams(url(), previousUninstaller, directory, true, true, false, true, L"");
            installer.Start();
            EXPECT_TRUE(recorder.WaitForFinal(60000));
        }
        return recorder.Events();
    }

    TempDir m_server;
    TempDir m_target;
    LaunchSettings m_saved;
};

TEST_F(DownloadInstallerTest, WithoutAPreviousVersionTheDownloadComesFirst)
{
    const std::wstring dir = m_target / L"Product\\LumaCut";
    const auto codes = Codes(Install(dir, L""));
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), DL_CODE_START);
    EXPECT_EQ(codes.back(), INSTALL_SUCCESS);
    EXPECT_TRUE(Contains(codes, DL_CODE_SUCCESS));
    EXPECT_TRUE(Contains(codes, IST_CODE_START));
    EXPECT_FALSE(Contains(codes, UNIST_CODE_PROGRESS));
    EXPECT_TRUE(TestPackages::Exists(dir + L"\\lumacutout.exe")) << "the install directory was created and used";
    EXPECT_FALSE(TestPackages::Exists(CDownloadInstaller::PackagePathFor(dir))) << "the package never survives";
}

TEST_F(DownloadInstallerTest, APreviousVersionIsRemovedFirst)
{
    const std::wstring dir = m_target / L"LumaCut";
    ASSERT_EQ(Codes(Install(dir, L"")).back(), INSTALL_SUCCESS);

    const auto events = Install(dir, dir + L"\\uninst.ep");
    const auto codes = Codes(events);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), UNIST_CODE_PROGRESS);
    const auto removed = std::find(codes.begin(), codes.end(), UNIST_CODE_SUCCESS);
    const auto downloading = std::find(codes.begin(), codes.end(), DL_CODE_START);
    ASSERT_NE(removed, codes.end());
    EXPECT_LT(removed, downloading) << "the download starts after the removal";
    EXPECT_EQ(codes.back(), INSTALL_SUCCESS);
    // The uninstaller ran from its copy in the private temporary folder, in place on the old folder.
    const std::wstring received = TestPackages::ReadUtf16File(m_target / L"uninst-cmdline.txt");
    EXPECT_NE(received.find(L"lumacut_un_asa.exe"), std::wstring::npos) << received;
    EXPECT_FALSE(TestPackages::Exists(CDownloadInstaller::PackagePathFor(dir)));
}

TEST_F(DownloadInstallerTest, AMissingPreviousUninstallerMeansNoRemovalStage)
{
    const std::wstring dir = m_target / L"LumaCut";
    const auto codes = Codes(Install(dir, m_target / L"gone\\uninst.ep"));
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), DL_CODE_START);
    EXPECT_EQ(codes.back(), INSTALL_SUCCESS);
}

TEST_F(DownloadInstallerTest, AFailedRemovalStopsEverything)
{
    // An installed version whose uninstaller reports State=Fail.
    const std::wstring old = m_target / L"Old";
    ASSERT_TRUE(CreateDirectoryW(old.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(TestPackages::Package(L"fail").c_str(), source().c_str(), FALSE));
    ASSERT_EQ(Codes(Install(old, L"")).back(), IST_CODE_FAIL);
    ASSERT_TRUE(CopyFileW(TestPackages::Package(L"success").c_str(), source().c_str(), FALSE));

    const std::wstring dir = m_target / L"New";
    const auto events = Install(dir, old + L"\\uninst.ep");
    const auto codes = Codes(events);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), UNIST_CODE_PROGRESS);
    EXPECT_EQ(events.back(), (Event{UNIST_CODE_ERROR, 0.0, L"安装包卸载失败"}));
    EXPECT_FALSE(Contains(codes, DL_CODE_START)) << "no download after a failed removal";
    EXPECT_FALSE(TestPackages::Exists(CDownloadInstaller::PackagePathFor(dir)));
}

// A failed download in A, then a second attempt in B by the same orchestrator: the downloader
// made by the first attempt keeps its address and destination, so the package lands at A's
// package path again and installs into B; when that attempt ends, A's file is gone as well.
TEST_F(DownloadInstallerTest, ASecondAttemptCleansUpThePackageOfTheFirst)
{
    const std::wstring a = m_target / L"A";
    const std::wstring b = m_target / L"B";
    ASSERT_TRUE(DeleteFileW(source().c_str())); // the first attempt finds no package

    EventRecorder recorder(kFinalCodes);
    auto installer = std::make_unique<CDownloadInstaller>(recorder.Callback(), url(), L"", a, true, true, false);
    installer->SetParams(url(), L"", a, true, true, false, true, L"");
    installer->Start();
    ASSERT_TRUE(recorder.WaitForFinal(60000));
    ASSERT_EQ(recorder.Events().back().code, DL_CODE_FAIL);
    EXPECT_FALSE(TestPackages::Exists(CDownloadInstaller::PackagePathFor(a)));

    ASSERT_TRUE(CopyFileW(TestPackages::Package(L"success").c_str(), source().c_str(), FALSE));
    installer->SetParams(url(), L"", b, true, true, false, true, L"");
    installer->Start();
    // The recorder keeps the events of both attempts: wait for the second final event.
    const auto finals = [&] {
        const auto codes = Codes(recorder.Events());
        return std::count_if(codes.begin(), codes.end(), [](int32_t c) { return kFinalCodes.count(c) != 0; });
    };
    for (int i = 0; i < 600 && finals() < 2; ++i) Sleep(100);
    const auto codes = Codes(recorder.Events());
    EXPECT_EQ(codes.back(), INSTALL_SUCCESS);
    EXPECT_TRUE(TestPackages::Exists(b + L"\\lumacutout.exe")) << "installed into B";
    EXPECT_EQ(std::count(codes.begin(), codes.end(), DL_CODE_START), 2);
    EXPECT_EQ(installer->packagePath(), CDownloadInstaller::PackagePathFor(b));
    installer.reset(); // the package run from A's path has exited; deferred deletions are done
    EXPECT_FALSE(TestPackages::Exists(CDownloadInstaller::PackagePathFor(a))) << "A's package is gone too";
}

TEST_F(DownloadInstallerTest, InstallNewModeWaitsForTheRunningProductOffTheCallingThread)
{
    const std::wstring dir = m_target / L"LumaCut";
    ASSERT_EQ(Codes(Install(dir, L"")).back(), INSTALL_SUCCESS);

    // A running "lumacutout.exe" that exits after a moment.
    const std::wstring product = m_server / L"lumacutout.exe";
    ASSERT_TRUE(CopyFileW(TestPackages::OutputChild().c_str(), product.c_str(), FALSE));
    const Utils::UniqueHandle process = StartSleeper(product, 1500);
    ASSERT_TRUE(process.valid());
    ASSERT_NE(FindProcessByName(L"lumacutout.exe"), 0u);

    g_LaunchSettings.m_InsNew = true;
    EventRecorder recorder(kFinalCodes);
    bool productRunningAtRemoval = true;
    {
        DownloadCallback record = recorder.Callback();
        CDownloadInstaller installer(
            [&](int32_t code, double value, const wchar_t* text) {
                if (code == UNIST_CODE_PROGRESS && value == 0.0)
                    productRunningAtRemoval = WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
                record(code, value, text);
            },
            url(), dir + L"\\uninst.ep", dir, true, true, false);
        installer.SetParams(url(), dir + L"\\uninst.ep", dir, true, true, false, true, L"");
        installer.Start();
        EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "Start() returned while the product still runs";
        EXPECT_TRUE(recorder.Events().empty());
        ASSERT_TRUE(recorder.WaitForFinal(60000));
    }
    EXPECT_FALSE(productRunningAtRemoval) << "the uninstaller started only after the product exited";
    EXPECT_EQ(Codes(recorder.Events()).front(), UNIST_CODE_PROGRESS);
    EXPECT_EQ(Codes(recorder.Events()).back(), INSTALL_SUCCESS);
}

TEST(FindProcessByNameTest, FindsARunningProgramByItsExactFileName)
{
    TempDir dir;
    const std::wstring name = L"probe-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ASSERT_TRUE(CopyFileW(TestPackages::OutputChild().c_str(), (dir / name).c_str(), FALSE));
    EXPECT_EQ(FindProcessByName(name), 0u);

    DWORD processId = 0;
    const Utils::UniqueHandle process = StartSleeper(dir / name, 5000, &processId);
    ASSERT_TRUE(process.valid());
    EXPECT_EQ(FindProcessByName(name), processId);
    std::wstring upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    EXPECT_EQ(FindProcessByName(upper), 0u) << "names compare case-sensitively";
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 10000);
}

} // namespace
