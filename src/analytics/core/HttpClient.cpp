#include "analytics/core/HttpClient.h"

#include "analytics/core/ErrorOutput.h"
#include "utils/CurlHandles.h"
#include "utils/Text.h"

#include <windows.h>
#include <curl/curl.h>

#include <stdexcept>

namespace qx_analytics {

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* response)
{
    static_cast<HttpClient::Response*>(response)->body.append(data, size * count);
    return size * count;
}

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

size_t StoreHeader(char* data, size_t size, size_t count, void* response)
{
    const std::string line(data, size * count);
    auto& headers = static_cast<HttpClient::Response*>(response)->headers;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) {
        const std::string name = Trim(line);
        if (!name.empty()) headers[name] = "present";
    } else {
        headers[Trim(line.substr(0, colon))] = Trim(line.substr(colon + 1));
    }
    return size * count;
}

std::string CaBundle()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(HttpClient::kCaBundleVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return Utils::ToNarrow(path, CP_UTF8);
}

HttpClient::Response Perform(const HttpClient::Request& request)
{
    Utils::UniqueCurl curl(curl_easy_init());
    if (!curl) throw std::runtime_error("Couldn't initialize curl handle");
    HttpClient::Response response;
    Utils::UniqueCurlList headers;
    for (const auto& [name, value] : request.headers) {
        const std::string line = name + ": " + value;
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (!extended) throw std::runtime_error("Couldn't build the request headers");
        headers.release();
        headers.reset(extended);
    }
    if (!request.contentType.empty()) {
        const std::string line = "Content-Type: " + request.contentType;
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (!extended) throw std::runtime_error("Couldn't build the request headers");
        headers.release();
        headers.reset(extended);
    }

    CURL* handle = curl.get();
    const std::string caBundle = CaBundle();
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caBundle.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, caBundle.c_str());
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &StoreHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &response);
    if (headers) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, HttpClient::kUserAgent);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, request.timeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));

    const CURLcode result = curl_easy_perform(handle);
    if (result != CURLE_OK) {
        response.statusCode = -1;
        response.body = curl_easy_strerror(result);
        return response;
    }
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    response.statusCode = static_cast<int>(code);
    return response;
}

} // namespace

HttpClient::Response HttpClient::Post(const Request& request)
{
    try {
        return Perform(request);
    } catch (const std::exception& error) {
        WriteError(error.what());
        Response failed;
        failed.body = error.what();
        return failed;
    }
}

} // namespace qx_analytics
