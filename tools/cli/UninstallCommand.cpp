#include "Commands.h"
#include "EventPrinter.h"
#include "Output.h"

#include "install/InstallEvents.h"
#include "install/UnInstaller.h"

#include <atomic>

namespace Cli {

// uninstall UNINSTALLER OLDDIR: runs the uninstaller silently in place on OLDDIR as the
// installer does, printing every event; 0 after 5003, 1 after 5004 or 5005.
int RunUninstall(const Arguments& arguments)
{
    if (arguments.size() != 2 || arguments[0].empty()) {
        PrintError(L"usage: installer-cli uninstall UNINSTALLER OLDDIR\n");
        return 2;
    }
    std::atomic<bool> succeeded = false;
    {
        CUnInstaller uninstaller(
            [&succeeded](int32_t code, double value, const wchar_t* text) {
                PrintEvent(code, value, text);
                if (code == UNIST_CODE_SUCCESS) succeeded = true;
                if (code == UNIST_CODE_FAIL || code == UNIST_CODE_ERROR) succeeded = false;
            },
            arguments[0], arguments[1]);
        uninstaller.Start();
    } // waits for the run to end
    return succeeded ? 0 : 1;
}

} // namespace Cli
