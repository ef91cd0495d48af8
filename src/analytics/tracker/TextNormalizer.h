#pragma once

#include <string>

namespace tarvo::tracking {

// Texts handed to the tracker may be UTF-8 or in the system's ANSI code page: a strictly valid
// UTF-8 text is kept as it is, anything else is read as ANSI and converted to UTF-8.
std::string NormalizeText(const std::string& text);

} // namespace tarvo::tracking
