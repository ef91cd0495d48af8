#pragma once

#include <map>
#include <string>

namespace qx_analytics {

// One blocking HTTP POST per call, on the calling thread; each call has its own libcurl handle,
// so any number of threads may post at once. libcurl's global initialisation must have run.
class HttpClient {
public:
    struct Request {
        std::string url;
        std::map<std::string, std::string> headers;
        std::string body;
        std::string contentType; // empty: libcurl's form default
        long timeoutSeconds = 3;
    };
    struct Response {
        int statusCode = -1; // -1: the transfer itself failed
        std::string body;    // or the transfer's error text
        std::map<std::string, std::string> headers;
    };

    static constexpr char kUserAgent[] = "QXAnalytics CPP SDK 0.9";
    // Names a PEM file of trusted certification authorities for the analytics endpoint, used in
    // place of the system store (Schannel under Wine verifies only against such a file).
    static constexpr wchar_t kCaBundleVariable[] = L"LUMACUT_CA_BUNDLE";

    // Peer and host verification stay on; redirects are not followed.
    static Response Post(const Request& request);
};

} // namespace qx_analytics
