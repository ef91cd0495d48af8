#pragma once

#include "download/DownloadCallback.h"
#include "download/Downloader.h"
#include "utils/CurlHandles.h"
#include "utils/Handles.h"
#include "utils/Thread.h"

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The multi-part downloader: one look-up of the effective address and length, at most two
// byte ranges fetched on threads of their own into "<destination>_0" and "<destination>_1"
// (each resumed from its part file's size), the join, then the package checksum. A failed
// range or checksum asks once to be started again (1005), later failures are final (1004).
//
// Events come from worker threads (1002 serialised). Start() may be called from inside an event
// of the previous run. Destroying the downloader never waits: the workers share the state they
// use, abort their transfers and end without sending further events. Lengths are 64-bit.
class CMTCurlDownloader : public CDownloader {
public:
    static constexpr int64_t kRangeUnit = 10485760; // 10 MiB
    static constexpr int64_t kMinimumLength = 256;
    static constexpr int kJoinFailed = -3;
    static constexpr int kPartFileFailed = -2;

    struct Range {
        int64_t start;
        int64_t size;
    };

    CMTCurlDownloader(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath);
    ~CMTCurlDownloader() override;

    void Start() override;

    // One range per started 10 MiB unit, at least one and at most two; the last range also
    // takes the remainder.
    static std::vector<Range> PlanRanges(int64_t fileLength);

    // The whole package's percentage from the bytes each range holds; 0 when the length is
    // below kMinimumLength.
    static double Percentage(int64_t fileLength, const std::vector<int64_t>& done);

private:
    struct DownloadPartNode {
        Utils::UniqueCFile file; // open for appending while the range is in work
        int64_t next = 0;        // absolute offset of the next byte to fetch
        int64_t end = 0;         // absolute offset of the range's last byte
        Utils::UniqueCurl curl;
        std::string url;
        std::wstring partPath;
        int status = -1; // -1 to fetch, -2 part file not opened, 0 complete, else libcurl code
        std::atomic<int64_t> done{0};
    };

    struct Shared {
        void Send(int32_t code, double value, const wchar_t* text) const;
        std::wstring PartPath(size_t index) const;
        void DeletePartFiles() const;

        std::vector<std::unique_ptr<DownloadPartNode>> parts;
        DownloadCallback callback;
        std::wstring filePath;
        std::wstring url;
        std::string realUrl;
        int64_t fileLength = -1;
        std::string urlMd5;
        double lastReported = 0; // percent; 0: nothing reported since the last clean start
        std::mutex progressMutex;
        int64_t lastProgressTime = 0;
        bool retried = false;
        std::unique_ptr<Utils::Thread> worker;
        std::atomic<bool> released{false};

        std::mutex countMutex;
        std::condition_variable countChanged;
        int activeCount = 0;
    };

    static void Start_Down(const std::shared_ptr<Shared>& shared);
    static bool getRealDownloadUrl(Shared& shared, const std::string& address);
    static void downloadThreadFun(const std::shared_ptr<Shared>& shared, DownloadPartNode* part);
    static int downloadExe(Shared& shared, DownloadPartNode& part);
    static void waitForFinishThreadFun(const std::shared_ptr<Shared>& shared);
    static bool JoinParts(Shared& shared);
    static void DisposeParts(Shared& shared);
    static void FailRun(Shared& shared, int value);
    static size_t PartWriter(char* data, size_t size, size_t count, void* part);
    static int PartProgress(void* shared, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    std::shared_ptr<Shared> m_shared;
};
