#include "analytics/core/ErrorOutput.h"

#include <atomic>
#include <cstdio>

namespace qx_analytics {

namespace {
std::atomic<ErrorSink> g_sink{nullptr};
}

void WriteError(const std::string& line)
{
    if (ErrorSink sink = g_sink.load()) {
        sink(line);
        return;
    }
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

ErrorSink SetErrorSink(ErrorSink sink)
{
    return g_sink.exchange(sink);
}

} // namespace qx_analytics
