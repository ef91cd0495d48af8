#include "analytics/tracker/QxException.h"

namespace tarvo::tracking {

QxException::QxException(const std::string& message, std::string sourceFile, std::string function, int line)
    : std::runtime_error(message), m_sourceFile(std::move(sourceFile)), m_function(std::move(function)), m_line(line)
{}

} // namespace tarvo::tracking
