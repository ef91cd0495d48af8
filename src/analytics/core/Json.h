#pragma once

#include <string>

namespace qx_analytics {

namespace utils {
class ObjectNode;
}

// Compact JSON text of `node`: no whitespace, names in the node's order and unescaped, strings
// with exactly seven escapes (\b \t \n \f \r \" \\, every other byte copied), numbers as %g,
// DateTime values as quoted local time "YYYY-MM-DD hh:mm:ss.mmm".
std::string ToJson(const utils::ObjectNode& node);

} // namespace qx_analytics
