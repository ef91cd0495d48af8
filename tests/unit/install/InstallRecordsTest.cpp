#include "app/InstallerReport.h"
#include "install/InstallRecords.h"
#include "support/TempDir.h"
#include "utils/Handles.h"
#include "utils/Registry.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <vector>

namespace {

// Saves the product key's two values, clears them for the test and puts them back afterwards.
class RegistryRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* name : {L"InstallPath", L"UnInstallEp"}) {
            std::wstring value;
            m_saved.emplace_back(name, Utils::ReadRegString(name, value) ? std::optional(value) : std::nullopt);
            Delete(name);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                Utils::WriteRegString(name, *value);
            else
                Delete(name);
        }
    }
    static void Delete(const std::wstring& name)
    {
        Utils::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Utils::kProductRegistryKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
            RegDeleteValueW(key.get(), name.c_str());
    }
    static std::wstring Read(const std::wstring& name)
    {
        std::wstring value = L"<absent>";
        Utils::ReadRegString(name, value);
        return value;
    }

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> m_saved;
};

void Touch(const std::wstring& path, const std::string& contents = "")
{
    Utils::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
}

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[512] = {};
    GetPrivateProfileStringW(section, key, L"<absent>", value, 512, file.c_str());
    return value;
}

TEST_F(RegistryRecordTest, NothingRecordedMeansNoInstalledVersion)
{
    const InstallRecord record = LoadInstallRecord();
    EXPECT_EQ(record.installedDirectory, L"");
    EXPECT_EQ(record.previousUninstaller, L"");
}

TEST_F(RegistryRecordTest, WithoutUnInstallEpTheDefaultUninstallerIsPresumed)
{
    Utils::WriteRegString(L"InstallPath", L"C:\\Apps\\LumaCut");
    const InstallRecord record = LoadInstallRecord();
    EXPECT_EQ(record.installedDirectory, L"C:\\Apps\\LumaCut");
    EXPECT_EQ(record.previousUninstaller, L"C:\\Apps\\LumaCut\\uninst.ep");
}

TEST_F(RegistryRecordTest, AnUninstallerWithoutInstallPathStillCounts)
{
    Utils::WriteRegString(L"UnInstallEp", L"D:\\Old\\uninst.ep");
    const InstallRecord record = LoadInstallRecord();
    EXPECT_EQ(record.installedDirectory, L"");
    EXPECT_EQ(record.previousUninstaller, L"D:\\Old\\uninst.ep");
}

TEST_F(RegistryRecordTest, WritesTheUninstallerOnlyWhenItExists)
{
    TempDir dir;
    Utils::WriteRegString(L"UnInstallEp", L"C:\\kept\\uninst.ep");

    PackageReport report;
    report.installPath = dir.path();
    WriteInstallRecord(report); // reports no uninstaller, and no uninst.ep exists
    EXPECT_EQ(Read(L"InstallPath"), dir.path());
    EXPECT_EQ(Read(L"UnInstallEp"), L"C:\\kept\\uninst.ep");

    Touch(dir / L"uninst.ep");
    WriteInstallRecord(report); // the default uninstaller now exists
    EXPECT_EQ(Read(L"UnInstallEp"), dir / L"uninst.ep");

    report.uninstallerEp = dir / L"custom-uninstaller.exe";
    WriteInstallRecord(report); // a reported one that does not exist changes nothing
    EXPECT_EQ(Read(L"UnInstallEp"), dir / L"uninst.ep");
    Touch(report.uninstallerEp);
    WriteInstallRecord(report);
    EXPECT_EQ(Read(L"UnInstallEp"), report.uninstallerEp);

    const InstallRecord record = LoadInstallRecord();
    EXPECT_EQ(record.installedDirectory, dir.path());
    EXPECT_EQ(record.previousUninstaller, report.uninstallerEp);
}

struct OverrideCase {
    const char* name;
    std::optional<std::string> setIni; // contents of set.ini in the installed directory
    bool sameDirectory;
    bool disabled;
};

class IsOverrideDisabledTest : public ::testing::TestWithParam<OverrideCase> {};

TEST_P(IsOverrideDisabledTest, OnlyAnExactFalseInTheInstalledDirectoryCounts)
{
    const OverrideCase& c = GetParam();
    TempDir installed, other;
    if (c.setIni) Touch(installed / L"set.ini", *c.setIni);
    const InstallRecord record{installed.path(), installed / L"uninst.ep"};
    EXPECT_EQ(IsOverrideDisabled(record, c.sameDirectory ? installed.path() : other.path()), c.disabled) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, IsOverrideDisabledTest,
                         ::testing::Values(OverrideCase{"false in the installed directory",
                                                        "[Uninstall]\r\nIsOverride=false\r\n", true, true},
                                           OverrideCase{"capitals", "[Uninstall]\r\nIsOverride=FALSE\r\n", true, false},
                                           OverrideCase{"true", "[Uninstall]\r\nIsOverride=true\r\n", true, false},
                                           OverrideCase{"no key", "[Uninstall]\r\n", true, false},
                                           OverrideCase{"no set.ini", std::nullopt, true, false},
                                           OverrideCase{"another directory", "[Uninstall]\r\nIsOverride=false\r\n",
                                                        false, false}));

// Points APPDATA at a scratch folder for the test, restoring it afterwards.
class ProductSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t value[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"APPDATA", value, MAX_PATH)) m_appData = value;
        SetEnvironmentVariableW(L"APPDATA", m_scratch.path().c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"APPDATA", m_appData ? m_appData->c_str() : nullptr); }

    TempDir m_scratch;
    TempDir m_product;
    std::optional<std::wstring> m_appData;
};

TEST_F(ProductSettingsTest, WritesSetIniAndTheTimeStamp)
{
    PackageReport report;
    report.installPath = m_product.path();
    WriteProductSettings(report, L"Installer.exe");

    const std::wstring setIni = m_product / L"set.ini";
    const std::wstring stamp = m_scratch / L"TarVoData\\lumacut\\QXAnalytics.ini";
    EXPECT_EQ(IniValue(setIni, L"Install", L"APPStore"), L"Installer.exe");
    EXPECT_EQ(IniValue(setIni, L"Install", L"AppName"), L"lumacut");
    EXPECT_EQ(IniValue(setIni, L"Install", L"QXAnalyticsIni"), stamp);
    EXPECT_EQ(ProductDataFolder(), m_scratch / L"TarVoData\\lumacut");

    const std::wstring firstId = IniValue(setIni, L"Install", L"DeviceID");
    EXPECT_TRUE(std::regex_match(firstId, std::wregex(L"[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}"))) << firstId;
    EXPECT_TRUE(std::regex_match(IniValue(stamp, L"Init", L"UpdateTime"),
                                 std::wregex(L"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")));

    WriteProductSettings(report, L"Installer.exe");
    EXPECT_NE(IniValue(setIni, L"Install", L"DeviceID"), firstId) << "a new identifier per installation";
}

TEST_F(ProductSettingsTest, AnUncreatableDataFolderSkipsOnlyTheTimeStamp)
{
    // A file where the data folder's parent should be makes the folder impossible to create.
    Touch(m_scratch / L"TarVoData");
    PackageReport report;
    report.installPath = m_product.path();
    WriteProductSettings(report, L"Setup.exe");
    const std::wstring setIni = m_product / L"set.ini";
    EXPECT_EQ(IniValue(setIni, L"Install", L"APPStore"), L"Setup.exe");
    EXPECT_EQ(IniValue(setIni, L"Install", L"QXAnalyticsIni"), L"<absent>");
}

TEST(DiagnosticsTextTest, FormatsTheDownloadFailure)
{
    EXPECT_EQ(DownloadFailureText(28, L"LibCurl", 2.5, true, 96),
              L"1.code=28；2.msg=LibCurl；3.缓存磁盘容量=2.50G；4.缓存读写权限=可读；5.服务器连接状态code=96");
    EXPECT_EQ(DownloadFailureText(-998, L"", 0.004, false, 65536),
              L"1.code=-998；2.msg=；3.缓存磁盘容量=0.00G；4.缓存读写权限=无权限；5.服务器连接状态code=65536");
}

TEST(DiagnosticsTextTest, FormatsReasonsAndCutsAt199Characters)
{
    EXPECT_EQ(FailureReasonText(1000, L"磁盘已满"), L":1.code=1000；2.msg=磁盘已满");
    const std::wstring cut = FailureReasonText(0, std::wstring(500, L'x'));
    EXPECT_EQ(cut.size(), 199u);
    EXPECT_EQ(cut.substr(0, 17), L":1.code=0；2.msg=x");
}

std::vector<std::pair<std::wstring, std::wstring>> g_reports;
void Collect(const std::wstring& label, const std::wstring& detail)
{
    g_reports.emplace_back(label, detail);
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_reports.clear();
        m_previous = InstallerReport::SetReporter(&Collect);
    }
    void TearDown() override { InstallerReport::SetReporter(m_previous); }
    InstallerReport::Reporter m_previous = nullptr;
};

TEST_F(ReportTest, DownloadFailureReportsFreeSpaceWritabilityAndNetwork)
{
    TempDir dir;
    ReportDownloadFailure(28.0, L"LibCurl", dir / L"__Package_lumacut.exe");
    ReportDownloadFailure(-998.0, L"LibCurl", dir / L"missing\\__Package_lumacut.exe");
    ASSERT_EQ(g_reports.size(), 2u);
    const std::wregex shape(
        L"1\\.code=(-?\\d+)；2\\.msg=LibCurl；3\\.缓存磁盘容量=\\d+\\.\\d\\dG；4\\.缓存读写权限=(\\S+)；"
        L"5\\.服务器连接状态code=\\d+");
    std::wsmatch m;
    EXPECT_EQ(g_reports[0].first, L"下载失败原因");
    ASSERT_TRUE(std::regex_match(g_reports[0].second, m, shape)) << g_reports[0].second;
    EXPECT_EQ(m[1].str(), L"28");
    EXPECT_EQ(m[2].str(), L"可读");
    EXPECT_FALSE(PathFileExistsW((dir / L"__Package_lumacut.exe").c_str())) << "the probe file is removed";
    ASSERT_TRUE(std::regex_match(g_reports[1].second, m, shape)) << g_reports[1].second;
    EXPECT_EQ(m[2].str(), L"无权限");
}

TEST_F(ReportTest, ReasonsGoUnderTheirStageLabel)
{
    ReportFailureReason(0.0, L"curl文件md5校验失败", true);
    ReportFailureReason(1000.0, L"安装包安装失败", false);
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[0],
              std::make_pair(std::wstring(L"下载失败原因"), std::wstring(L":1.code=0；2.msg=curl文件md5校验失败")));
    EXPECT_EQ(g_reports[1],
              std::make_pair(std::wstring(L"安装失败原因"), std::wstring(L":1.code=1000；2.msg=安装包安装失败")));
}

TEST(PackageReportTest, CollectsTheValueEvents)
{
    PackageReport report;
    const struct {
        int32_t code;
        double value;
        const wchar_t* text;
    } events[] = {{3000, 0, L"C:\\LumaCut"},
                  {3001, 0, L"C:\\LumaCut\\lumacutout.exe"},
                  {3003, 0, L"C:\\LumaCut\\uninst.ep"},
                  {3004, 0, L"https://example/start"},
                  {3005, 1, L""},
                  {3007, 5, L""},
                  {3008, 9, L""},
                  {3009, 0, L"hi"}};
    for (const auto& e : events) EXPECT_TRUE(report.Apply(e.code, e.value, e.text));
    EXPECT_FALSE(report.Apply(2003, 0, L""));
    EXPECT_EQ(report.installPath, L"C:\\LumaCut");
    EXPECT_EQ(report.exePath, L"C:\\LumaCut\\lumacutout.exe");
    EXPECT_EQ(report.uninstallerEp, L"C:\\LumaCut\\uninst.ep");
    EXPECT_EQ(report.startUrl, L"https://example/start");
    EXPECT_EQ(report.startupStyle, PackageReport::AutoStartup);
    EXPECT_EQ(report.topShowDetention, 5);
    EXPECT_EQ(report.finishCloseDetention, 9);
    EXPECT_EQ(report.message, L"hi");
}

} // namespace
