#pragma once

#include <atomic>
#include <string>

namespace tarvo::tracking {

// The tracker's identity and remembered values for one application, kept in an INI state file
// in a per-application data folder. Owned by the tracker; read and written by the thread that
// initialises, logs in, records payments and destroys it. Strings are UTF-8.
class LocalState {
public:
    static constexpr char kFolderName[] = "\\QXLocal\\";
    static constexpr char kStateFileName[] = "QXSConfigure.ini";
    static constexpr char kLogFileName[] = "QXSLog.txt";
    static constexpr char kRecordsFileName[] = "QXSRecords.txt";

    // Chooses the data folder and state file: the override in "<executableFolder>Set.ini"
    // (section Install, key QXAnalyticsIni) when present, else the per-user base folder +
    // "\QXLocal\<appName>\". Creates missing folders. `executableFolder` ends with a backslash.
    void LocateFiles(const std::wstring& executableFolder, const std::string& appName);
    // Locates under an explicit base folder instead of the system's (no override consulted).
    void LocateFilesUnder(const std::wstring& baseFolder, const std::string& appName);

    // Reads section Base; makes and saves a new identity when there is no distinct id.
    void Load();
    void Save() const;
    void WriteUninstallInfo(const std::string& appStore, const std::string& appName,
                            const std::string& appVersion) const;
    // Forgets the user and login, keeps the primary identity, records `serverUrl`, saves.
    void ResetForServer(const std::string& serverUrl);

    // A GUID "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", or a random version-4 style id when the
    // system cannot make one.
    static std::string NewDistinctId();

    // The executable's folder with a trailing backslash.
    static std::wstring ExecutableFolder();

    std::wstring dataFolder;
    std::wstring stateFilePath;
    bool loggedIn = false;
    std::string userId;
    std::string distinctId;
    std::string primaryDistinctId;
    std::string serverUrl;
    std::string locale;
    std::string logFilePath;
    int vipLevel = 0;
    std::atomic<int> pending{0};

private:
    std::string Read(const wchar_t* key) const;
    void Write(const wchar_t* section, const wchar_t* key, const std::string& value) const;
};

} // namespace tarvo::tracking
