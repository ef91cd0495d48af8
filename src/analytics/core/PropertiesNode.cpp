#include "analytics/core/PropertiesNode.h"

namespace qx_analytics {

void PropertiesNode::SetObject(const std::string&, const ObjectNode&) {}

} // namespace qx_analytics
