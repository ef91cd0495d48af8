#pragma once

#include "analytics/core/ObjectNode.h"

namespace qx_analytics {

// Event and profile properties: an object node that never holds nested objects.
class PropertiesNode : public utils::ObjectNode {
public:
    // Ignored: properties are flat.
    void SetObject(const std::string& name, const ObjectNode& value) override;
};

} // namespace qx_analytics
