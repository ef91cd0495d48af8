#pragma once

#include "download/CurlClient.h"
#include "download/DownloadCallback.h"
#include "download/Downloader.h"
#include "utils/Thread.h"

#include <atomic>
#include <memory>
#include <string>

// The single-stream downloader: one libcurl transfer into "<destination>.part", resumed after
// failures within an error budget, then the package checksum.
//
// Events come from the worker thread. Start() may be called from inside an event of the
// previous run (the new worker starts without waiting for the one that called it). Destroying
// the downloader never waits: the worker shares the state it uses, aborts its transfer and
// ends without sending further events.
class CCurlDownloader : public CDownloader {
public:
    CCurlDownloader(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath);
    ~CCurlDownloader() override;

    void Start() override;

private:
    struct Shared {
        Shared(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath);

        // Passes the event on unless the downloader has been released.
        void Send(int32_t code, double value, const wchar_t* text) const;

        DownloadCallback callback;
        std::wstring filePath;
        std::wstring url;
        CurlClient client;
        std::unique_ptr<Utils::Thread> worker;
        bool retried = false;
        std::atomic<bool> released{false};
    };

    static void dlThreadFun(Shared& shared);
    static void OnProgress(void* owner, double speed, double reserved, double percent);
    static void FinishWithChecksum(Shared& shared);

    std::shared_ptr<Shared> m_shared;
};
