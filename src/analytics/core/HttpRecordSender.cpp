#include "analytics/core/HttpRecordSender.h"

#include "analytics/core/BatchEncoding.h"
#include "analytics/core/ErrorOutput.h"
#include "analytics/core/HttpClient.h"

#include <windows.h>

namespace qx_analytics {

HttpRecordSender::HttpRecordSender(std::string serverUrl) : m_serverUrl(std::move(serverUrl)) {}

RecordSender::Outcome HttpRecordSender::Send(const std::string& batch)
{
    HttpClient::Request request;
    if (!EncodeBatchBody(batch, request.body)) return {};
    request.url = m_serverUrl;
    request.headers = m_headers;
    const HttpClient::Response response = HttpClient::Post(request);
    const bool delivered = response.statusCode == 200;
    if (!delivered) {
        OutputDebugStringA("[analytics] QXAnalytics SDK send failed");
        WriteError("QXAnalytics SDK send failed: " + response.body);
    }
    return {true, delivered};
}

} // namespace qx_analytics
