// installer-cli: drives the installer's parts without the window.

#include "Commands.h"
#include "Output.h"

#include <windows.h>

#include <functional>

namespace {

struct Subcommand {
    const wchar_t* name;
    const wchar_t* usage;
    int (*run)(const Cli::Arguments&);
};

constexpr Subcommand kSubcommands[] = {
    {L"settings", L"settings [ARGS...]          the launch settings after the settings file and ARGS",
     &Cli::RunSettings},
    {L"trace", L"trace -- PROGRAM [ARGS...]   run PROGRAM, print its debugger output, return its exit code",
     &Cli::RunTrace},
    {L"report", L"report task LABEL [DETAIL] [ELAPSED] | click LABEL | view | crash   one installer report",
     &Cli::RunReport},
    {L"package",
     L"package PACKAGE DIR [--dsc=B] [--ssc=B] [--adminact=B] [--authorizationact=B] [--lang=CODE]\n"
     L"                             run the package silently into DIR, print its events",
     &Cli::RunPackage},
    {L"uninstall", L"uninstall UNINSTALLER OLDDIR run the uninstaller silently on OLDDIR, print its events",
     &Cli::RunUninstall},
    {L"download", L"download [--type=N] [--stats] URL DEST   fetch URL into DEST with downloader type N (default 1)",
     &Cli::RunDownload},
    {L"install",
     L"install URL DIR [--previous-uninstaller=PATH] [--type=N] [--launch] [--stats]\n"
     L"                             one whole installation attempt as the window runs it",
     &Cli::RunInstall},
};

int PrintHelp(bool toError)
{
    std::wstring text = L"usage: installer-cli SUBCOMMAND [ARGS...]\n\nsubcommands:\n";
    for (const Subcommand& command : kSubcommands) text += std::wstring(L"  ") + command.usage + L"\n";
    (toError ? Cli::PrintError : Cli::Print)(text);
    return toError ? 2 : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return PrintHelp(true);
    const std::wstring name = argv[1];
    if (name == L"--help" || name == L"-h" || name == L"help") return PrintHelp(false);
    const Cli::Arguments arguments(argv + 2, argv + argc);
    for (const Subcommand& command : kSubcommands)
        if (name == command.name) return command.run(arguments);
    Cli::PrintError(L"installer-cli: unknown subcommand '" + name + L"'\n");
    return PrintHelp(true);
}
