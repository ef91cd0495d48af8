#pragma once

#include <string>

namespace qx_analytics {

namespace utils {
class ObjectNode;
}

// The record checks. Each failing check writes its one line to the error stream
// (ErrorOutput) and returns false; none throws.

// Strict UTF-8: tab, line feed, carriage return and 0x20-0x7E as single bytes, and only
// shortest-form, non-surrogate multi-byte sequences up to U+10FFFF.
bool IsStrictUtf8(const std::string& text);

// Identifiers ("Distinct ID", "Original ID"): 1 to 255 bytes.
bool CheckIdentifier(const std::string& label, const std::string& value);

// Names ("Event Name", "Property Key"): 1 to 100 bytes, a variable-name shape that may also
// contain '$'.
bool CheckPropertyName(const std::string& label, const std::string& value);

// Every name of `properties` in order, then the types of "$time" and "$project"; stops at
// the first failure.
bool CheckProperties(const utils::ObjectNode& properties);

// The checks applied to a String value as it is set: at most 8192 bytes, strict UTF-8.
bool CheckStringValue(const std::string& name, const std::string& value);

} // namespace qx_analytics
