#include "app/LaunchSettings.h"
#include "support/TempDir.h"
#include "utils/Handles.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

using Expected = std::map<std::wstring, std::wstring>;

struct SettingsCase {
    const char* name;
    std::optional<std::string> settingsFile; // contents of TarvoInstallerConfig.ini, if any
    std::vector<std::wstring> arguments;
    Expected expected; // the fields this case is about
};

void WriteFile(const std::wstring& path, const std::string& contents)
{
    Utils::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr));
}

std::map<std::wstring, std::wstring> FieldMap(const LaunchSettings& settings)
{
    std::map<std::wstring, std::wstring> map;
    for (const auto& [name, value] : settings.Fields()) map[name] = value;
    return map;
}

class LaunchSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(LaunchSettingsTest, HoldsWhatTheFileAndTheCommandLineSay)
{
    const SettingsCase& c = GetParam();
    TempDir dir;
    if (c.settingsFile) WriteFile(dir / L"TarvoInstallerConfig.ini", *c.settingsFile);

    LaunchSettings settings;
    settings.ReadSettingsFile(dir / L"Installer.exe");
    settings.ApplyCommandLine(c.arguments);

    const auto fields = FieldMap(settings);
    for (const auto& [name, value] : c.expected) {
        ASSERT_TRUE(fields.count(name)) << name;
        EXPECT_EQ(fields.at(name), value) << c.name << ": " << std::string(name.begin(), name.end());
    }
}

const std::wstring kBuiltIn = L"http://download.lumacut.example/software/462";

INSTANTIATE_TEST_SUITE_P(
    Cases, LaunchSettingsTest,
    ::testing::Values(
        SettingsCase{"defaults without file or options",
                     std::nullopt,
                     {},
                     {{L"m_AppName", L"lumacut"},
                      {L"m_AppVersion", L"1.7.9"},
                      {L"m_ExeName", L"Installer.exe"},
                      {L"m_DlAppNameSuffix", L".downloader"},
                      {L"m_DlAppVersion", L""},
                      {L"m_InstCmd", L""},
                      {L"m_DownloadUrl", kBuiltIn},
                      {L"m_DownloadType", L"1"},
                      {L"m_IsCheckNet", L"false"},
                      {L"m_IsEnableAppAnalytics", L"true"},
                      {L"m_DownloadScale", L"0.7"},
                      {L"m_LibcurlReady", L"true"},
                      {L"m_Language", L"-1"},
                      {L"m_InsNew", L"false"},
                      {L"m_AnalyticsUrl", L""}}},
        SettingsCase{"an empty Install section turns the network check on",
                     "[Install]\r\n",
                     {},
                     {{L"m_IsCheckNet", L"true"},
                      {L"m_DownloadType", L"1"},
                      {L"m_DownloadScale", L"0.7"},
                      {L"m_DownloadUrl", kBuiltIn},
                      {L"m_IsEnableAppAnalytics", L"true"}}},
        SettingsCase{"every key of the file",
                     "[Install]\r\nDownloadUrl=http://mirror/pkg/0123/LumaCutSetup.exe\r\nDownloadType=3\r\n"
                     "IsCheckNet=false\r\nIsEnableAppAnalytics=false\r\nDlAppNameSuffix=.beta\r\n"
                     "m_DlAppVersion=2.0.1\r\nDownloadScale=0.5\r\nInstCmd=/quick\r\n"
                     "AnalyticsUrl=https://localhost:8443/sa?project=pc\r\n",
                     {},
                     {{L"m_DownloadUrl", L"http://mirror/pkg/0123/LumaCutSetup.exe"},
                      {L"m_DownloadType", L"3"},
                      {L"m_IsCheckNet", L"false"},
                      {L"m_IsEnableAppAnalytics", L"false"},
                      {L"m_DlAppNameSuffix", L".beta"},
                      {L"m_DlAppVersion", L"2.0.1"},
                      {L"m_DownloadScale", L"0.5"},
                      {L"m_InstCmd", L"/quick"},
                      {L"m_AnalyticsUrl", L"https://localhost:8443/sa?project=pc"}}},
        SettingsCase{"only the exact word true is true",
                     "[Install]\r\nIsEnableAppAnalytics=True\r\nIsCheckNet=1\r\n",
                     {},
                     {{L"m_IsEnableAppAnalytics", L"false"}, {L"m_IsCheckNet", L"false"}}},
        SettingsCase{"the file cannot change the product name or version",
                     "[Install]\r\nAppName=other\r\nm_AppName=other\r\nAppVersion=9\r\nm_AppVersion=9\r\n",
                     {},
                     {{L"m_AppName", L"lumacut"}, {L"m_AppVersion", L"1.7.9"}}},
        SettingsCase{"non-numeric scale: 0 from the file",
                     "[Install]\r\nDownloadScale=abc\r\n",
                     {},
                     {{L"m_DownloadScale", L"0"}}},
        SettingsCase{"non-numeric scale: NaN from the command line",
                     "[Install]\r\nDownloadScale=0.4\r\n",
                     {L"-downloadscale=abc"},
                     {{L"m_DownloadScale", L"nan"}}},
        SettingsCase{"the command line wins over the file",
                     "[Install]\r\nDownloadType=3\r\nIsCheckNet=true\r\nInstCmd=/a\r\n",
                     {L"-downloadtype=2", L"-ischecknet=false", L"-instcmd=/b /c"},
                     {{L"m_DownloadType", L"2"}, {L"m_IsCheckNet", L"false"}, {L"m_InstCmd", L"/b /c"}}},
        SettingsCase{"the first occurrence of an option wins",
                     std::nullopt,
                     {L"-downloadtype=3", L"-downloadtype=2"},
                     {{L"m_DownloadType", L"3"}}},
        SettingsCase{"options without a value",
                     "[Install]\r\nDownloadType=3\r\n",
                     {L"-insnew", L"-downloadtype", L"-downloadscale", L"-isenableappanalytics", L"-language",
                      L"-downloadurl", L"-dlappnamesuffix"},
                     {{L"m_InsNew", L"false"},
                      {L"m_DownloadType", L"0"},
                      {L"m_DownloadScale", L"nan"},
                      {L"m_IsEnableAppAnalytics", L"false"},
                      {L"m_Language", L"0"},
                      {L"m_DownloadUrl", L""},
                      {L"m_DlAppNameSuffix", L""}}},
        SettingsCase{"options with values",
                     std::nullopt,
                     {L"-insnew=true", L"-language=2", L"-dlappversion=3.1", L"-downloadurl=http://h/p?a=1&b=c=d",
                      L"-downloadscale=0.25"},
                     {{L"m_InsNew", L"true"},
                      {L"m_Language", L"2"},
                      {L"m_DlAppVersion", L"3.1"},
                      {L"m_DownloadUrl", L"http://h/p?a=1&b=c=d"},
                      {L"m_DownloadScale", L"0.25"}}},
        SettingsCase{"out-of-range numbers keep the previous value",
                     "[Install]\r\nDownloadType=3\r\nDownloadScale=1e999\r\n",
                     {L"-downloadtype=99999999999", L"-language=-3000000000", L"-downloadscale=-1e400"},
                     {{L"m_DownloadType", L"3"}, {L"m_Language", L"-1"}, {L"m_DownloadScale", L"0.7"}}},
        SettingsCase{"unknown options and plain arguments are ignored",
                     std::nullopt,
                     {L"-DownloadType=3", L"downloadtype=3", L"-unknown=1", L"/S"},
                     {{L"m_DownloadType", L"1"}}},
        SettingsCase{"the route placeholder is replaced in file and command-line addresses",
                     "[Install]\r\nDownloadUrl=http://h/${ROUTE}/x/${ROUTE}\r\n",
                     {},
                     {{L"m_DownloadUrl", L"http://h/download_silent/x/download_silent"}}},
        SettingsCase{"command-line address with the route placeholder",
                     std::nullopt,
                     {L"-downloadurl=http://h/${ROUTE}/462"},
                     {{L"m_DownloadUrl", L"http://h/download_silent/462"}}},
        SettingsCase{"long text values are cut to 259 characters",
                     "[Install]\r\nInstCmd=" + std::string(300, 'x') + "\r\n",
                     {},
                     {{L"m_InstCmd", std::wstring(259, L'x')}}}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return "case" + std::to_string(info.index); });

struct RouteCase {
    std::wstring label;
    std::wstring route;
};

class RouteTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteTest, PicksTheXpRouteOnlyForXpLabels)
{
    EXPECT_EQ(LaunchSettings::SubstituteRoute(L"http://h/${ROUTE}/462", GetParam().label),
              L"http://h/" + GetParam().route + L"/462");
}

INSTANTIATE_TEST_SUITE_P(Labels, RouteTest,
                         ::testing::Values(RouteCase{L"XP-", L"download_silent_xp"},
                                           RouteCase{L"XP", L"download_silent_xp"},
                                           RouteCase{L"XP+", L"download_silent_xp"},
                                           RouteCase{L"Server 2003", L"download_silent"},
                                           RouteCase{L"7", L"download_silent"}, RouteCase{L"10", L"download_silent"}));

} // namespace
