#pragma once

#include <string>

// Console output of installer-cli: UTF-8 bytes written straight to the standard handles, so
// that the text reaches pipes and files unchanged.
namespace Cli {

void Print(const std::wstring& text);      // standard output
void PrintError(const std::wstring& text); // standard error

} // namespace Cli
