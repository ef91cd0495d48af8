#pragma once

#include "analytics/core/RecordSender.h"

#include <map>
#include <string>

namespace qx_analytics {

// Sends a batch as "data_list=<encoded>&gzip=1" by HTTP POST to the server URL; only status 200
// counts as delivered. A failure is reported on the debugger output and the error stream.
class HttpRecordSender : public RecordSender {
public:
    explicit HttpRecordSender(std::string serverUrl);
    Outcome Send(const std::string& batch) override;

private:
    std::string m_serverUrl;
    std::map<std::string, std::string> m_headers; // extra request headers; none today
};

} // namespace qx_analytics
