#pragma once

#include <stdexcept>
#include <string>

namespace tarvo::tracking {

// A refused tracker call. Raised inside the tracker only; the wrapper catches it.
class QxException : public std::runtime_error {
public:
    QxException(const std::string& message, std::string sourceFile, std::string function, int line);

    const std::string& sourceFile() const { return m_sourceFile; }
    const std::string& function() const { return m_function; }
    int line() const { return m_line; }

private:
    std::string m_sourceFile;
    std::string m_function;
    int m_line;
};

} // namespace tarvo::tracking

// Raises a QxException naming the calling source and operation.
#define QX_THROW(source, function, message)                                                                            \
    throw ::tarvo::tracking::QxException((message), (source), (function), __LINE__)
