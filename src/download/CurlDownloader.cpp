#include "download/CurlDownloader.h"

#include "download/PackageChecksum.h"
#include "utils/DebugLog.h"

#include <windows.h>

namespace {

constexpr int kBudget = 12;
constexpr int kPartialFileCode = 18; // CURLE_PARTIAL_FILE: cheap to resume, so it costs less
constexpr DWORD kRetryPauseMs = 500;

} // namespace

CCurlDownloader::Shared::Shared(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath)
    : callback(std::move(callback)), filePath(destinationPath), url(url),
      client(url, destinationPath, this, &CCurlDownloader::OnProgress)
{}

void CCurlDownloader::Shared::Send(int32_t code, double value, const wchar_t* text) const
{
    if (!released) callback(code, value, text);
}

CCurlDownloader::CCurlDownloader(DownloadCallback callback, const std::wstring& url,
                                 const std::wstring& destinationPath)
    : m_shared(std::make_shared<Shared>(std::move(callback), url, destinationPath))
{
    DeleteFileW(m_shared->client.GetFilePath(true).c_str());
}

CCurlDownloader::~CCurlDownloader()
{
    m_shared->released = true;
    m_shared->client.RequestStop();
}

void CCurlDownloader::Start()
{
    // Joins the previous worker; when this call comes from that worker (an event handler
    // restarting us), it is only retired: it ends as soon as its event call returns.
    m_shared->worker.reset();

    std::weak_ptr<Shared> weak = m_shared;
    m_shared->worker = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [weak](void*) -> unsigned {
        if (const std::shared_ptr<Shared> shared = weak.lock()) dlThreadFun(*shared);
        return 0;
    });
    m_shared->worker->Resume();
}

void CCurlDownloader::dlThreadFun(Shared& shared)
{
    shared.Send(DL_CODE_START, 1.0, L"");
    if (shared.filePath.empty()) {
        // A final failure: nothing may follow it.
        shared.Send(DL_CODE_FAIL, 1.0, L"");
        return;
    }

    int budget = kBudget;
    int result = shared.client.Start();
    while (result != 0) {
        if (shared.released) return;
        budget -= result == kPartialFileCode ? 1 : 2;
        if (budget <= 0) {
            shared.Send(DL_CODE_FAIL, result, L"LibCurl");
            return;
        }
        LOG_LINE(L"CCurlDownloader::dlThreadFun", L"CurlDownLoader Code=%d\r\n", result);
        Sleep(kRetryPauseMs);
        result = shared.client.Start();
    }
    FinishWithChecksum(shared);
}

void CCurlDownloader::FinishWithChecksum(Shared& shared)
{
    const std::string expected = PackageChecksum::ExpectedFromUrl(shared.client.RealUrl());
    switch (PackageChecksum::Check(expected, shared.filePath)) {
    case PackageChecksum::Verdict::NoExpected: shared.Send(DL_CODE_REASON, 0.0, L"curl获取url-md5失败"); break;
    case PackageChecksum::Verdict::Match: break;
    case PackageChecksum::Verdict::Mismatch:
        shared.Send(DL_CODE_REASON, 0.0, L"curl文件md5校验失败");
        if (shared.retried) {
            shared.Send(DL_CODE_FAIL, 0.0, L"LibCurl");
        } else {
            shared.retried = true;
            shared.Send(DL_CODE_RETRY, 0.0, L"LibCurl");
        }
        return;
    }
    shared.Send(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}

void CCurlDownloader::OnProgress(void* owner, double speed, double, double percent)
{
    if (speed > 0 && percent <= 100.0) static_cast<Shared*>(owner)->Send(DL_CODE_PROGRESS, percent / 100.0, L"");
}
