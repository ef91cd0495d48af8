#include "analytics/core/Checks.h"

#include "analytics/core/ErrorOutput.h"
#include "analytics/core/ObjectNode.h"

namespace qx_analytics {

namespace {

constexpr size_t kMaxIdentifierLength = 255;
constexpr size_t kMaxNameLength = 100;
constexpr size_t kMaxStringValueLength = 8192;

bool InRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Length of the valid sequence starting at `at`, or 0 when none starts there.
size_t Utf8SequenceLength(const std::string& text, size_t at)
{
    const auto byte = [&](size_t offset) -> unsigned char {
        return at + offset < text.size() ? static_cast<unsigned char>(text[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead == 0x09 || lead == 0x0A || lead == 0x0D || InRange(lead, 0x20, 0x7E)) return 1;
    const auto tail = [&](size_t offset) { return InRange(byte(offset), 0x80, 0xBF); };
    if (InRange(lead, 0xC2, 0xDF)) return tail(1) ? 2 : 0;
    if (lead == 0xE0) return InRange(byte(1), 0xA0, 0xBF) && tail(2) ? 3 : 0;
    if (InRange(lead, 0xE1, 0xEC) || lead == 0xEE || lead == 0xEF) return tail(1) && tail(2) ? 3 : 0;
    if (lead == 0xED) return InRange(byte(1), 0x80, 0x9F) && tail(2) ? 3 : 0;
    if (lead == 0xF0) return InRange(byte(1), 0x90, 0xBF) && tail(2) && tail(3) ? 4 : 0;
    if (InRange(lead, 0xF1, 0xF3)) return tail(1) && tail(2) && tail(3) ? 4 : 0;
    if (lead == 0xF4) return InRange(byte(1), 0x80, 0x8F) && tail(2) && tail(3) ? 4 : 0;
    return 0;
}

bool IsNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
}

bool IsNamePart(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

} // namespace

bool IsStrictUtf8(const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool CheckIdentifier(const std::string& label, const std::string& value)
{
    if (value.empty()) {
        WriteError("The " + label + " is empty.");
        return false;
    }
    if (value.size() > kMaxIdentifierLength) {
        WriteError("The " + label + " is too long, max length is 255.");
        return false;
    }
    return true;
}

bool CheckPropertyName(const std::string& label, const std::string& value)
{
    if (value.empty() || value.size() > kMaxNameLength) {
        WriteError("The " + label + " is empty or too long, max length is 100");
        return false;
    }
    bool valid = IsNameStart(value[0]);
    for (size_t i = 1; valid && i < value.size(); ++i) valid = IsNamePart(value[i]);
    if (!valid) {
        WriteError("The " + label + " need to be a valid variable name.");
        return false;
    }
    return true;
}

bool CheckProperties(const utils::ObjectNode& properties)
{
    for (const auto& [name, value] : properties.entries()) {
        if (!CheckPropertyName("Property Key", name)) return false;
        if (name == "$time" && value.type != PropertyValue::Type::DateTime) {
            WriteError("The property '$time' should be DateTime type.");
            return false;
        }
        if (name == "$project" && value.type != PropertyValue::Type::String) {
            WriteError("The property '$project' should be String type.");
            return false;
        }
    }
    return true;
}

bool CheckStringValue(const std::string& name, const std::string& value)
{
    if (value.size() > kMaxStringValueLength) {
        WriteError("String property '" + name + "' is too long, value: " + value);
        return false;
    }
    if (!IsStrictUtf8(value)) {
        WriteError("String property '" + name + "' is not valid UTF-8 string, value: " + value);
        return false;
    }
    return true;
}

} // namespace qx_analytics
