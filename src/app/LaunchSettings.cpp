#include "app/LaunchSettings.h"

#include "app/CommandLineArgs.h"
#include "utils/Handles.h"
#include "utils/Probes.h"
#include "utils/Text.h"

#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <optional>

LaunchSettings g_LaunchSettings = LaunchSettings::FromRunningExecutable();

namespace {

constexpr wchar_t kSection[] = L"Install";
constexpr DWORD kTextCapacity = MAX_PATH; // longer values are cut to 259 characters

std::wstring ReadText(const std::wstring& file, const wchar_t* key, const wchar_t* fallback)
{
    wchar_t buffer[kTextCapacity] = {};
    GetPrivateProfileStringW(kSection, key, fallback, buffer, kTextCapacity, file.c_str());
    return buffer;
}

std::wstring BoolText(bool value)
{
    return value ? L"true" : L"false";
}

template <class T> void Assign(T& field, const std::optional<T>& value)
{
    if (value) field = *value;
}

} // namespace

LaunchSettings::LaunchSettings() : m_DownloadUrl(SubstituteRoute(kBuiltInDownloadUrl)) {}

LaunchSettings LaunchSettings::FromRunningExecutable()
{
    LaunchSettings settings;
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    settings.ReadSettingsFile(std::wstring(path, length < MAX_PATH ? length : MAX_PATH - 1));
    return settings;
}

void LaunchSettings::ReadSettingsFile(const std::wstring& executablePath)
{
    wchar_t name[MAX_PATH] = {};
    lstrcpynW(name, executablePath.c_str(), MAX_PATH);
    PathStripPathW(name);
    m_ExeName = name;

    wchar_t directory[MAX_PATH] = {};
    lstrcpynW(directory, executablePath.c_str(), MAX_PATH);
    PathRemoveFileSpecW(directory);
    const std::wstring file = std::wstring(directory) + L"\\" + kSettingsFileName;

    if (PathFileExistsW(file.c_str())) {
        m_DownloadUrl = SubstituteRoute(ReadText(file, L"DownloadUrl", kBuiltInDownloadUrl));
        m_DownloadType = static_cast<int>(GetPrivateProfileIntW(kSection, L"DownloadType", 1, file.c_str()));
        m_IsCheckNet = ValueRules::ParseBoolean(ReadText(file, L"IsCheckNet", L"true"));
        m_IsEnableAppAnalytics = ValueRules::ParseBoolean(ReadText(file, L"IsEnableAppAnalytics", L"true"));
        m_DlAppNameSuffix = ReadText(file, L"DlAppNameSuffix", L".downloader");
        m_DlAppVersion = ReadText(file, L"m_DlAppVersion", L"");
        Assign(m_DownloadScale, ValueRules::ParseNumber(ReadText(file, L"DownloadScale", L"0.7"), 0.0));
        m_InstCmd = ReadText(file, L"InstCmd", L"");
        m_AnalyticsUrl = ReadText(file, L"AnalyticsUrl", L"");
    }

    m_AppName = L"lumacut";
    m_AppVersion = L"1.7.9";
}

void LaunchSettings::ApplyProcessCommandLine()
{
    int count = 0;
    Utils::UniqueLocal memory(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!memory) return;
    const auto* argv = static_cast<LPWSTR*>(memory.get());
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
    ApplyCommandLine(arguments);
}

void LaunchSettings::ApplyCommandLine(const std::vector<std::wstring>& arguments)
{
    const CommandLineArgs args(arguments);
    if (args.Has(L"-downloadurl")) m_DownloadUrl = SubstituteRoute(args.Text(L"-downloadurl"));
    if (args.Has(L"-downloadtype")) Assign(m_DownloadType, args.Integer(L"-downloadtype"));
    if (args.Has(L"-downloadscale")) Assign(m_DownloadScale, args.Number(L"-downloadscale"));
    if (args.Has(L"-ischecknet")) m_IsCheckNet = args.Boolean(L"-ischecknet");
    if (args.Has(L"-isenableappanalytics")) m_IsEnableAppAnalytics = args.Boolean(L"-isenableappanalytics");
    if (args.Has(L"-dlappnamesuffix")) m_DlAppNameSuffix = args.Text(L"-dlappnamesuffix");
    if (args.Has(L"-dlappversion")) m_DlAppVersion = args.Text(L"-dlappversion");
    if (args.Has(L"-instcmd")) m_InstCmd = args.Text(L"-instcmd");
    if (args.Has(L"-language")) Assign(m_Language, args.Integer(L"-language"));
    if (args.Has(L"-insnew")) m_InsNew = args.Boolean(L"-insnew");
}

std::wstring LaunchSettings::SubstituteRoute(const std::wstring& url)
{
    if (url.find(L"${ROUTE}") == std::wstring::npos) return url;
    std::wstring family, version;
    Utils::GetOsName(family, version);
    return SubstituteRoute(url, version);
}

std::wstring LaunchSettings::SubstituteRoute(const std::wstring& url, const std::wstring& osVersionLabel)
{
    const bool xpFamily = osVersionLabel.find(L"XP") != std::wstring::npos;
    return Utils::ReplaceAll(url, L"${ROUTE}", xpFamily ? L"download_silent_xp" : L"download_silent");
}

std::vector<std::pair<std::wstring, std::wstring>> LaunchSettings::Fields() const
{
    return {
        {L"m_AppName", m_AppName},
        {L"m_AppVersion", m_AppVersion},
        {L"m_ExeName", m_ExeName},
        {L"m_DlAppNameSuffix", m_DlAppNameSuffix},
        {L"m_DlAppVersion", m_DlAppVersion},
        {L"m_InstCmd", m_InstCmd},
        {L"m_DownloadUrl", m_DownloadUrl},
        {L"m_DownloadType", std::to_wstring(m_DownloadType)},
        {L"m_IsCheckNet", BoolText(m_IsCheckNet)},
        {L"m_IsEnableAppAnalytics", BoolText(m_IsEnableAppAnalytics)},
        {L"m_DownloadScale", Utils::ShortestNumber(m_DownloadScale)},
        {L"m_LibcurlReady", BoolText(m_LibcurlReady)},
        {L"m_Language", std::to_wstring(m_Language)},
        {L"m_InsNew", BoolText(m_InsNew)},
        {L"m_AnalyticsUrl", m_AnalyticsUrl},
    };
}
