#pragma once

#include "analytics/tracker/QxEvents.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qx_analytics {
class PropertiesNode;
}

namespace tarvo::tracking {

// Caller-chosen string properties per event type, merged into the event's properties by the
// track operation of that type. A name may be stored once per object. Not thread-safe: each
// report builds its own.
class QxContextProperties {
public:
    struct Entry {
        std::shared_ptr<const std::string> value;
        std::string name;
    };

    static constexpr char kAbPropertyName[] = "qxc_ab";

    // Raises "Property[name] already exist!" or "QxEvent[n] overflow!".
    void setProperty(const std::string& name, const std::string& value, const std::vector<int>& eventTypes);
    // Raises "QxEvent[n] overflow!" for 15 and above.
    const std::vector<Entry>& getEventProperties(int eventType) const;
    // Sets every entry of `eventType`'s list on `properties`, in insertion order.
    void MergeInto(QxEventType eventType, qx_analytics::PropertiesNode& properties) const;

    // An A/B group: one upper-case letter and up to two upper-case letters or digits. Empty is
    // false; any other shape raises with the failing rule.
    static bool isValidABValue(const std::string& value);

private:
    std::unordered_map<std::string, std::shared_ptr<const std::string>> m_registry;
    std::array<std::vector<Entry>, kEventTypeCount> m_lists;
};

} // namespace tarvo::tracking
