#include "ClosedPort.h"

#include "download/DownloaderFactory.h"
#include "download/WinDownloader.h"
#include "support/TempDir.h"
#include "utils/Handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Events as they arrive, from any thread; outlives the downloader, as the orchestrator's
// receiver must.
struct Recorder {
    std::mutex mutex;
    std::vector<int32_t> codes;
    Utils::UniqueHandle arrived{CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    DownloadCallback Callback(const std::shared_ptr<Recorder>& self)
    {
        return [self](int32_t code, double, const wchar_t*) {
            std::lock_guard lock(self->mutex);
            self->codes.push_back(code);
            SetEvent(self->arrived.get());
        };
    }
    std::vector<int32_t> Codes()
    {
        std::lock_guard lock(mutex);
        return codes;
    }
};

std::wstring UnreachableUrl()
{
    return L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/LumaCutSetup.exe";
}

// Released while its worker retries a refused connection: the release does not wait for the
// worker, and nothing reaches the receiver afterwards.
TEST(DownloaderLifetimeTest, ReleasedMidRunSendsNothingMore)
{
    for (const int type : {1, 2}) {
        TempDir dir;
        auto recorder = std::make_shared<Recorder>();
        auto downloader =
            DownloaderFactory::Create(type, recorder->Callback(recorder), UnreachableUrl(), dir / L"p.exe");
        downloader->Start();
        ASSERT_EQ(WaitForSingleObject(recorder->arrived.get(), 10000), WAIT_OBJECT_0) << type;
        downloader.reset();
        const std::vector<int32_t> atRelease = recorder->Codes();
        Sleep(3500);
        EXPECT_EQ(atRelease, std::vector<int32_t>{DL_CODE_START}) << type;
        EXPECT_EQ(recorder->Codes(), atRelease) << type;
    }
}

TEST(DownloaderLifetimeTest, SystemDownloaderReleasedBeforeStartDoesNotHang)
{
    TempDir dir;
    auto recorder = std::make_shared<Recorder>();
    {
        CWinDownloader downloader(recorder->Callback(recorder), UnreachableUrl(), dir / L"p.exe");
    }
    Sleep(200);
    EXPECT_TRUE(recorder->Codes().empty());
}

} // namespace
