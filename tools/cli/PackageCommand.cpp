#include "Commands.h"
#include "EventPrinter.h"
#include "Output.h"

#include "install/InstallEvents.h"
#include "install/Installer.h"

#include <atomic>
#include <optional>

namespace Cli {

namespace {

constexpr wchar_t kUsage[] = L"usage: installer-cli package PACKAGE DIR [--dsc=B] [--ssc=B] [--adminact=B] "
                             L"[--authorizationact=B] [--lang=CODE]   (B is true or false)\n";

struct PackageOptions {
    std::wstring package;
    std::wstring directory;
    bool dsc = false;
    bool ssc = false;
    bool adminact = false;
    bool authorizationact = true;
    std::wstring language;
};

// Reads "--name=true" / "--name=false" into `flag`; false when `argument` is not that option
// or its value is neither.
bool ReadFlag(const std::wstring& argument, const std::wstring& name, bool& flag)
{
    const std::wstring prefix = L"--" + name + L"=";
    if (argument.compare(0, prefix.size(), prefix) != 0) return false;
    const std::wstring value = argument.substr(prefix.size());
    if (value != L"true" && value != L"false") return false;
    flag = value == L"true";
    return true;
}

std::optional<PackageOptions> ReadOptions(const Arguments& arguments)
{
    PackageOptions options;
    std::vector<std::wstring> positional;
    for (const std::wstring& argument : arguments) {
        if (argument.compare(0, 2, L"--") != 0) {
            positional.push_back(argument);
            continue;
        }
        if (argument.compare(0, 7, L"--lang=") == 0) {
            options.language = argument.substr(7);
            continue;
        }
        if (!ReadFlag(argument, L"dsc", options.dsc) && !ReadFlag(argument, L"ssc", options.ssc) &&
            !ReadFlag(argument, L"adminact", options.adminact) &&
            !ReadFlag(argument, L"authorizationact", options.authorizationact))
            return std::nullopt;
    }
    if (positional.size() != 2 || positional[0].empty()) return std::nullopt;
    options.package = positional[0];
    options.directory = positional[1];
    return options;
}

} // namespace

// package PACKAGE DIR [options]: runs the package silently into DIR as the installer does,
// printing every event; 0 after 2003, 1 after 2004.
int RunPackage(const Arguments& arguments)
{
    const std::optional<PackageOptions> options = ReadOptions(arguments);
    if (!options) {
        PrintError(kUsage);
        return 2;
    }
    std::atomic<bool> succeeded = false;
    {
        CInstaller installer(
            [&succeeded](int32_t code, double value, const wchar_t* text) {
                PrintEvent(code, value, text);
                if (code == INSTALL_SUCCESS) succeeded = true;
                if (code == IST_CODE_FAIL) succeeded = false;
            },
            L"\"" + options->package + L"\"", options->directory, options->ssc, options->dsc, options->adminact);
        installer.SetAuthorizationact(options->authorizationact);
        installer.SetInstallLanguage(options->language);
        installer.Run();
    } // waits for the run to end
    return succeeded ? 0 : 1;
}

} // namespace Cli
