#include "analytics/core/ObjectNode.h"

#include "analytics/core/Checks.h"

namespace qx_analytics::utils {

void ObjectNode::SetNumber(const std::string& name, double value)
{
    Set(name, PropertyValue::MakeNumber(value));
}

void ObjectNode::SetInt(const std::string& name, int32_t value)
{
    Set(name, PropertyValue::MakeInt(value));
}

void ObjectNode::SetInt64(const std::string& name, int64_t value)
{
    Set(name, PropertyValue::MakeInt(value));
}

bool ObjectNode::SetString(const std::string& name, const std::string& value)
{
    if (!CheckStringValue(name, value)) return false;
    Set(name, PropertyValue::MakeString(value));
    return true;
}

bool ObjectNode::SetString(const std::string& name, const char* value)
{
    return SetString(name, std::string(value ? value : ""));
}

void ObjectNode::SetBool(const std::string& name, bool value)
{
    Set(name, PropertyValue::MakeBool(value));
}

void ObjectNode::SetList(const std::string& name, const std::vector<std::string>& value)
{
    Set(name, PropertyValue::MakeList(value));
}

void ObjectNode::SetDateTime(const std::string& name, int64_t seconds, int milliseconds)
{
    Set(name, PropertyValue::MakeDateTime(seconds, milliseconds));
}

void ObjectNode::SetObject(const std::string& name, const ObjectNode& value)
{
    Set(name, PropertyValue::MakeObject(value));
}

void ObjectNode::Merge(const ObjectNode& other)
{
    for (const auto& [name, value] : other.m_entries) m_entries.insert_or_assign(name, value);
}

const PropertyValue* ObjectNode::Find(const std::string& name) const
{
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? nullptr : &found->second;
}

void ObjectNode::Erase(const std::string& name)
{
    m_entries.erase(name);
}

void ObjectNode::Clear()
{
    m_entries.clear();
}

void ObjectNode::Set(const std::string& name, PropertyValue value)
{
    m_entries.insert_or_assign(name, std::move(value));
}

} // namespace qx_analytics::utils
