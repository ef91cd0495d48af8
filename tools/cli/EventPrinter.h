#pragma once

#include <cstdint>
#include <string>

// How installer-cli shows the events a stage reports: one line "code<TAB>value<TAB>text" on
// standard output, the value in its shortest round-trip form, the text in UTF-8.
namespace Cli {

std::wstring FormatEvent(int32_t code, double value, const wchar_t* text);

// Prints one event line. Safe to call from any thread: lines never interleave.
void PrintEvent(int32_t code, double value, const wchar_t* text);

} // namespace Cli
