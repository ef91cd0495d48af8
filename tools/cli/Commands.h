#pragma once

#include <string>
#include <vector>

// The subcommands of installer-cli. Each takes the arguments after its own name and returns
// the process exit code: 0 success, 1 the stage failed, 2 bad usage.
namespace Cli {

using Arguments = std::vector<std::wstring>;

int RunSettings(const Arguments& arguments);
int RunTrace(const Arguments& arguments);
int RunReport(const Arguments& arguments);
int RunPackage(const Arguments& arguments);
int RunUninstall(const Arguments& arguments);
int RunDownload(const Arguments& arguments);
int RunInstall(const Arguments& arguments);

} // namespace Cli
