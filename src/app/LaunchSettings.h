#pragma once

#include <string>
#include <utility>
#include <vector>

// The one process-wide record of launch settings: built-in defaults, then the optional
// "TarvoInstallerConfig.ini" next to the executable (read during static initialisation),
// then the command line (applied once by the entry point). Command line over file over
// defaults, field by field. Only this record's own operations write it, apart from
// m_LibcurlReady, which the entry point clears.
class LaunchSettings {
public:
    static constexpr wchar_t kBuiltInDownloadUrl[] = L"http://download.lumacut.example/software/462";
    static constexpr wchar_t kSettingsFileName[] = L"TarvoInstallerConfig.ini";

    // Defaults only.
    LaunchSettings();

    // Defaults, then the settings file next to the running executable.
    static LaunchSettings FromRunningExecutable();

    // Fills m_ExeName from `executablePath` and reads the settings file in its directory.
    void ReadSettingsFile(const std::wstring& executablePath);

    // Applies the options of the process's own command line.
    void ApplyProcessCommandLine();
    // Applies options given as separate arguments (without the program path).
    void ApplyCommandLine(const std::vector<std::wstring>& arguments);

    // Replaces every "${ROUTE}" with "download_silent_xp" on an XP-family system and with
    // "download_silent" elsewhere.
    static std::wstring SubstituteRoute(const std::wstring& url);
    static std::wstring SubstituteRoute(const std::wstring& url, const std::wstring& osVersionLabel);

    // Every field as (name, text) in the record's order: booleans "true"/"false", numbers in
    // their shortest round-trip form ("nan" for NaN).
    std::vector<std::pair<std::wstring, std::wstring>> Fields() const;

    std::wstring m_AppName = L"lumacut";
    std::wstring m_AppVersion = L"1.7.9";
    std::wstring m_ExeName = L"NULL";
    std::wstring m_DlAppNameSuffix = L".downloader";
    std::wstring m_DlAppVersion;
    std::wstring m_InstCmd;
    std::wstring m_DownloadUrl;
    int m_DownloadType = 1;
    bool m_IsCheckNet = false;
    bool m_IsEnableAppAnalytics = true;
    double m_DownloadScale = 0.7;
    bool m_LibcurlReady = true;
    int m_Language = -1;
    bool m_InsNew = false;
    // The analytics endpoint from the settings file; empty means the tracker's default.
    std::wstring m_AnalyticsUrl;
};

// The process's launch settings, filled before the entry point runs.
extern LaunchSettings g_LaunchSettings;
