#include "Commands.h"
#include "Output.h"

#include "analytics/installer/InstallerAnalytics.h"
#include "download/CurlGlobal.h"

#include <cwchar>

namespace Cli {

namespace {

int Usage()
{
    PrintError(L"usage: installer-cli report task LABEL [DETAIL] [ELAPSED] | click LABEL | view | crash\n");
    return 2;
}

// ELAPSED in seconds; false when it is not a number.
bool ParseSeconds(const std::wstring& text, double& seconds)
{
    wchar_t* end = nullptr;
    seconds = std::wcstod(text.c_str(), &end);
    return !text.empty() && end && *end == L'\0';
}

} // namespace

// Starts analytics from the settings file exactly as the installer does, makes one report and
// releases analytics, whose release flush sends it (or stages it when the endpoint is down).
int RunReport(const Arguments& arguments)
{
    if (arguments.empty()) return Usage();
    const std::wstring& kind = arguments[0];
    double elapsed = 0;
    if (kind == L"task") {
        if (arguments.size() < 2 || arguments.size() > 4) return Usage();
        if (arguments.size() == 4 && !ParseSeconds(arguments[3], elapsed)) return Usage();
    } else if (kind == L"click") {
        if (arguments.size() != 2) return Usage();
    } else if (kind == L"view" || kind == L"crash") {
        if (arguments.size() != 1) return Usage();
    } else {
        return Usage();
    }

    CurlGlobal curl;
    curl.Init();
    StartAnalytics();
    const ReportProperties properties = InstallerAbProperties();
    if (kind == L"task")
        ReportInstallerEvent(arguments[1], arguments.size() > 2 ? arguments[2] : L"", elapsed, properties);
    else if (kind == L"click")
        ReportInstallerClick(properties, arguments[1]);
    else if (kind == L"view")
        ReportInstallerView(properties);
    else
        ReportCrash();
    StopAnalytics();
    return 0;
}

} // namespace Cli
