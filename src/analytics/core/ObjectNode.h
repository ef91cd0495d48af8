#pragma once

#include "analytics/core/PropertyValue.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qx_analytics::utils {

// An ordered map of named property values. Names are ordered byte-wise (unsigned bytes, a
// prefix before its extensions), which is also the order the JSON writer emits them in.
// Setting an existing name replaces its value. Not thread-safe: each call builds its own.
class ObjectNode {
public:
    using Entries = std::map<std::string, PropertyValue>;

    ObjectNode() = default;
    ObjectNode(const ObjectNode&) = default;
    ObjectNode& operator=(const ObjectNode&) = default;
    virtual ~ObjectNode() = default;

    void SetNumber(const std::string& name, double value);
    void SetInt(const std::string& name, int32_t value);
    // Record members (time, track id) need the full 64-bit range.
    void SetInt64(const std::string& name, int64_t value);
    // Applies the string value checks; a rejected value is reported on the error stream and
    // not stored (an earlier value under the name stays). Returns whether it was stored.
    bool SetString(const std::string& name, const std::string& value);
    bool SetString(const std::string& name, const char* value);
    void SetBool(const std::string& name, bool value);
    void SetList(const std::string& name, const std::vector<std::string>& value);
    void SetDateTime(const std::string& name, int64_t seconds, int milliseconds);
    virtual void SetObject(const std::string& name, const ObjectNode& value);

    // Copies every entry of `other`, its values winning on equal names.
    void Merge(const ObjectNode& other);
    const PropertyValue* Find(const std::string& name) const;
    void Erase(const std::string& name);
    void Clear();

    const Entries& entries() const { return m_entries; }
    bool empty() const { return m_entries.empty(); }

protected:
    void Set(const std::string& name, PropertyValue value);

private:
    Entries m_entries;
};

} // namespace qx_analytics::utils
