#pragma once

#include <string>

// Where the installer's labelled diagnostic events go ("下载失败原因", "安装失败原因", ...).
// Analytics installs its reporter at start-up; until then, and when analytics is off, reports
// are dropped. Safe to call from any thread; the reporter must be too.
namespace InstallerReport {

using Reporter = void (*)(const std::wstring& label, const std::wstring& detail);

// Installs `reporter` (null drops reports again) and returns the previous one.
Reporter SetReporter(Reporter reporter);

// A task event with `label` and its `detail` text.
void Event(const std::wstring& label, const std::wstring& detail);

} // namespace InstallerReport
