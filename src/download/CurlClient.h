#pragma once

#include "utils/CurlHandles.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <string>

// One package address and one destination file, fetched with libcurl. Finds the effective
// address and the package length with header-only requests, downloads into the destination
// name followed by ".part" (resuming from what that file holds), moves the finished file into
// place and turns libcurl's transfer information into throttled progress reports.
//
// Start() and the look-ups block; only one thread (the downloader's worker) uses a client at a
// time. RequestStop() may be called from any thread.
class CurlClient {
public:
    // Receives (owner, average bytes per second, 0.0, percent done); called on the thread that
    // runs Start(), at most once per clock second.
    using ProgressFn = void (*)(void* owner, double speed, double reserved, double percent);

    // Results of Start() besides 0 and libcurl's own codes.
    static constexpr int kMoveFailed = -995;    // the finished partial file could not be moved into place
    static constexpr int kOpenFailed = -996;    // the partial file could not be opened; see ErrorText()
    static constexpr int kNoHandle = -997;      // libcurl could not make an easy handle
    static constexpr int kLengthRefused = -998; // package length unknown or below kMinimumLength
    static constexpr double kMinimumLength = 1048576.0;

    CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner, ProgressFn progressFn);
    // Deletes the partial file and stops a transfer still running on another thread.
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // `filePath` followed by ".part" when `partial`, else `filePath`.
    std::wstring GetFilePath(bool partial) const;

    // One complete download attempt: 0, a libcurl code, or one of the codes above.
    int Start();

    // Makes the running and every later transfer abort at their next progress call.
    void RequestStop() { m_stop = true; }
    bool StopRequested() const { return m_stop; }

    const std::string& RealUrl() const { return m_realUrl; }
    double FileLength() const { return m_fileLength; }
    const std::wstring& ErrorText() const { return m_errorText; }

    // Header-only request that follows redirects; the handle after the request, or none.
    static Utils::UniqueCurl Head(const std::string& address);
    // The handle's effective address; empty when libcurl has none.
    static std::string GetEffectiveUrl(CURL* handle);
    // The announced length when the status is 200..399, else -1.0 (and a failure report).
    static double GetDownloadFileLength(CURL* handle);
    // The announced length from a request of its own, whatever its status; -1.0 when unknown.
    static double GetDownloadFileLength_Str(const std::string& address);
    // The effective address after redirects, or `address` when none was found.
    static std::string GetRealUrl_Str(const std::string& address);

    // libcurl transfer-information function; `client` is the CurlClient. 1 aborts.
    static int ProgressCallback(void* client, curl_off_t total, curl_off_t now, curl_off_t uploadTotal,
                                curl_off_t uploadNow);

    // The percentage a progress call reports: over the whole package (counting the bytes that
    // were already on disk) when its length is known and above 1 MiB, else over this transfer;
    // 0 when there is nothing to report.
    static double Percent(double fileLength, int64_t resumeOffset, int64_t total, int64_t now);

private:
    int Transfer(const std::string& address);
    void LookUp(const std::string& address);

    std::wstring m_url;
    std::wstring m_filePath;
    void* m_owner;
    Utils::UniqueCurl m_handle;
    ProgressFn m_progressFn;
    double m_fileLength = -1.0;
    int64_t m_resumeOffset = -1;
    int64_t m_lastProgressTime = 0;
    std::atomic<bool> m_stop{false};
    std::wstring m_errorText;
    std::string m_realUrl;
};
