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

namespace {

// The system downloader's worker is made once: a second Start() after the final event neither
// transfers nor reports anything.
TEST(DownloaderLifetimeTest, SystemDownloaderTransfersOnlyOnFirstStart)
{
    TempDir dir;
    {
        Utils::UniqueFile source(
            CreateFileW((dir / L"source.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(source);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(source.get(), "package", 7, &written, nullptr));
    }
    std::wstring url = L"file:///" + (dir / L"source.bin");
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';

    auto recorder = std::make_shared<Recorder>();
    CWinDownloader downloader(recorder->Callback(recorder), url, dir / L"p.exe");
    downloader.Start();
    const auto finished = [&] {
        const std::vector<int32_t> codes = recorder->Codes();
        return !codes.empty() && (codes.back() == DL_CODE_SUCCESS || codes.back() == DL_CODE_FAIL);
    };
    for (int waits = 0; waits < 50 && !finished(); ++waits) WaitForSingleObject(recorder->arrived.get(), 200);
    const std::vector<int32_t> first = recorder->Codes();
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(first.back(), DL_CODE_SUCCESS);
    EXPECT_NE(GetFileAttributesW((dir / L"p.exe").c_str()), INVALID_FILE_ATTRIBUTES);

    DeleteFileW((dir / L"p.exe").c_str());
    downloader.Start();
    Sleep(500);
    EXPECT_EQ(recorder->Codes(), first);
    EXPECT_EQ(GetFileAttributesW((dir / L"p.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
