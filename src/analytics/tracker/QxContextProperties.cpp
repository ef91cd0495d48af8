#include "analytics/tracker/QxContextProperties.h"

#include "analytics/core/PropertiesNode.h"
#include "analytics/tracker/QxException.h"

namespace tarvo::tracking {

namespace {

constexpr char kSource[] = "QxContextProperties";

void CheckEventType(int eventType, const char* function)
{
    if (eventType < 0 || eventType >= kEventTypeCount)
        QX_THROW(kSource, function, "QxEvent[" + std::to_string(eventType) + "] overflow!");
}

bool IsUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool IsUpperOrDigit(char c)
{
    return IsUpper(c) || (c >= '0' && c <= '9');
}

} // namespace

void QxContextProperties::setProperty(const std::string& name, const std::string& value,
                                      const std::vector<int>& eventTypes)
{
    if (m_registry.count(name)) QX_THROW(kSource, "setProperty", "Property[" + name + "] already exist!");
    for (const int type : eventTypes) CheckEventType(type, "setProperty");
    auto shared = std::make_shared<const std::string>(value);
    m_registry.emplace(name, shared);
    for (const int type : eventTypes) m_lists[static_cast<size_t>(type)].push_back({shared, name});
}

const std::vector<QxContextProperties::Entry>& QxContextProperties::getEventProperties(int eventType) const
{
    CheckEventType(eventType, "getEventProperties");
    return m_lists[static_cast<size_t>(eventType)];
}

void QxContextProperties::MergeInto(QxEventType eventType, qx_analytics::PropertiesNode& properties) const
{
    for (const Entry& entry : getEventProperties(static_cast<int>(eventType)))
        properties.SetString(entry.name, *entry.value);
}

bool QxContextProperties::isValidABValue(const std::string& value)
{
    if (value.empty()) return false;
    if (value.size() >= 4) QX_THROW(kSource, "isValidABValue", "value's length is great than 3.");
    if (!IsUpper(value[0])) QX_THROW(kSource, "isValidABValue", "First char is not in A to Z");
    if (value.size() > 1 && !IsUpperOrDigit(value[1]))
        QX_THROW(kSource, "isValidABValue", "second char is not in A to Z and 0 to 9");
    if (value.size() > 2 && !IsUpperOrDigit(value[2]))
        QX_THROW(kSource, "isValidABValue", "third char is not in A to Z and 0 to 9");
    return true;
}

} // namespace tarvo::tracking
