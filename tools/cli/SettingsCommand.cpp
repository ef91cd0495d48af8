#include "Commands.h"
#include "Output.h"

#include "app/LaunchSettings.h"

namespace Cli {

// Applies ARGS as the installer's command line on top of the settings file next to this
// executable, then prints every field as name=value in the record's order.
int RunSettings(const Arguments& arguments)
{
    g_LaunchSettings.ApplyCommandLine(arguments);
    std::wstring text;
    for (const auto& [name, value] : g_LaunchSettings.Fields()) text += name + L"=" + value + L"\n";
    Print(text);
    return 0;
}

} // namespace Cli
