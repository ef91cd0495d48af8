#pragma once

#include <string>

namespace tarvo::tracking {

// What the tracker tells the endpoint about the machine. Read once, at tracker start-up.
class DeviceDescription {
public:
    struct Locale {
        std::string locale, language, country; // all empty when the system cannot tell
    };

    static constexpr char kOsName[] = "Windows";

    // The version label for kernel version numbers ("7", "10", "11", "XP64", "6.5.100" ...).
    // `hasNumbers` false gives "XP-".
    static std::string OsVersionText(bool hasNumbers, unsigned major, unsigned minor, unsigned build, bool is64Bit,
                                     bool serverR2);
    // "Mozilla/5.0(Windows 10; Win64;)".
    static std::string UserAgent(const std::string& osName, const std::string& osVersion, bool is64Bit);
    // The locale rule: a stored text with "_" splits at its first "_"; otherwise the system's
    // user-default ISO 639 language and ISO 3166 country.
    static Locale ResolveLocale(const std::string& storedLocale);

    // This machine.
    static std::string CurrentOsVersion();
    static bool Is64BitSystem();
    static std::string CurrentUserAgent();
    static int ScreenWidth();
    static int ScreenHeight();
};

} // namespace tarvo::tracking
