#include "analytics/core/PropertyValue.h"

#include "analytics/core/ObjectNode.h"

namespace qx_analytics {

PropertyValue PropertyValue::MakeNumber(double value)
{
    PropertyValue result;
    result.type = Type::Number;
    result.number = value;
    return result;
}

PropertyValue PropertyValue::MakeInt(int64_t value)
{
    PropertyValue result;
    result.type = Type::Int;
    result.integer = value;
    return result;
}

PropertyValue PropertyValue::MakeString(std::string value)
{
    PropertyValue result;
    result.type = Type::String;
    result.text = std::move(value);
    return result;
}

PropertyValue PropertyValue::MakeList(std::vector<std::string> value)
{
    PropertyValue result;
    result.type = Type::List;
    result.list = std::move(value);
    return result;
}

PropertyValue PropertyValue::MakeDateTime(int64_t seconds, int milliseconds)
{
    PropertyValue result;
    result.type = Type::DateTime;
    result.seconds = seconds;
    result.milliseconds = milliseconds;
    return result;
}

PropertyValue PropertyValue::MakeBool(bool value)
{
    PropertyValue result;
    result.type = Type::Bool;
    result.boolean = value;
    return result;
}

PropertyValue PropertyValue::MakeObject(const utils::ObjectNode& value)
{
    PropertyValue result;
    result.type = Type::Object;
    result.object = std::make_shared<const utils::ObjectNode>(value);
    return result;
}

} // namespace qx_analytics
