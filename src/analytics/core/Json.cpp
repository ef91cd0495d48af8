#include "analytics/core/Json.h"

#include "analytics/core/ObjectNode.h"

#include <cstdio>
#include <ctime>

namespace qx_analytics {

namespace {

void AppendString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    out += '"';
}

void AppendNumber(std::string& out, double value)
{
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%g", value);
    if (length > 0) out.append(buffer, static_cast<size_t>(length));
}

void AppendDateTime(std::string& out, int64_t seconds, int milliseconds)
{
    const __time64_t time = seconds;
    std::tm local{};
    if (_localtime64_s(&local, &time) != 0) local = std::tm{};
    char buffer[64];
    const int length =
        std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
    if (length > 0) out.append(buffer, static_cast<size_t>(length));
}

void AppendObject(std::string& out, const utils::ObjectNode& node);

void AppendValue(std::string& out, const PropertyValue& value)
{
    switch (value.type) {
    case PropertyValue::Type::Number: AppendNumber(out, value.number); break;
    case PropertyValue::Type::Int: out += std::to_string(value.integer); break;
    case PropertyValue::Type::String: AppendString(out, value.text); break;
    case PropertyValue::Type::List:
        out += '[';
        for (size_t i = 0; i < value.list.size(); ++i) {
            if (i) out += ',';
            AppendString(out, value.list[i]);
        }
        out += ']';
        break;
    case PropertyValue::Type::DateTime: AppendDateTime(out, value.seconds, value.milliseconds); break;
    case PropertyValue::Type::Bool: out += value.boolean ? "true" : "false"; break;
    case PropertyValue::Type::Object:
        if (value.object)
            AppendObject(out, *value.object);
        else
            out += "{}";
        break;
    }
}

void AppendObject(std::string& out, const utils::ObjectNode& node)
{
    out += '{';
    bool first = true;
    for (const auto& [name, value] : node.entries()) {
        if (!first) out += ',';
        first = false;
        out += '"';
        out += name;
        out += "\":";
        AppendValue(out, value);
    }
    out += '}';
}

} // namespace

std::string ToJson(const utils::ObjectNode& node)
{
    std::string out;
    AppendObject(out, node);
    return out;
}

} // namespace qx_analytics
