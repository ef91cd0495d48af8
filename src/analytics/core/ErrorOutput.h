#pragma once

#include <string>

namespace qx_analytics {

// The analytics library's rejection lines. Each call writes `line` and a line feed to the
// standard error stream as one write; any thread may call. Tests may divert the lines.
void WriteError(const std::string& line);

using ErrorSink = void (*)(const std::string& line);
// Installs `sink` in place of the standard error stream (null restores it); returns the
// previous sink.
ErrorSink SetErrorSink(ErrorSink sink);

} // namespace qx_analytics
