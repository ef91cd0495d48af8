#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Where the download area sends its analytics report "下载失败原因". Analytics installs the
// reporter at start-up; until then (and after it is cleared) reports go nowhere. Safe to call
// and to replace from any thread.
namespace DownloadFailureReport {

inline constexpr wchar_t kEventName[] = L"下载失败原因";

using Properties = std::vector<std::pair<std::wstring, std::wstring>>;
// (event name, reason text, extra properties)
using Reporter = std::function<void(const std::wstring&, const std::wstring&, const Properties&)>;

// Replaces the reporter; an empty one turns reporting off.
void SetReporter(Reporter reporter);

// Sends `reason` with the extra `properties` to the current reporter, if any.
void Report(const std::wstring& reason, const Properties& properties);

} // namespace DownloadFailureReport
