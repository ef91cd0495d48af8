#include "install/PackageReport.h"

bool PackageReport::Apply(int32_t code, double value, const wchar_t* text)
{
    const std::wstring t = text ? text : L"";
    switch (code) {
    case 3000: installPath = t; break;
    case 3001: exePath = t; break;
    case 3002: uninstallExe = t; break;
    case 3003: uninstallerEp = t; break;
    case 3004: startUrl = t; break;
    case 3005: startupStyle = static_cast<int>(value); break;
    case 3007: topShowDetention = static_cast<int>(value); break;
    case 3008: finishCloseDetention = static_cast<int>(value); break;
    case 3009: message = t; break;
    default: return false;
    }
    return true;
}
