#include "download/DownloaderFactory.h"

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

TEST(DownloaderFactoryTest, TypeSelectsTheDownloader)
{
    TempDir dir;
    const struct {
        int type;
        const std::type_info& downloader;
    } cases[] = {
        {2, typeid(CWinDownloader)},  {3, typeid(CMTCurlDownloader)}, {1, typeid(CCurlDownloader)},
        {0, typeid(CCurlDownloader)}, {4, typeid(CCurlDownloader)},   {-1, typeid(CCurlDownloader)},
    };
    for (const auto& c : cases) {
        const auto downloader = DownloaderFactory::Create(
            c.type, [](int32_t, double, const wchar_t*) {}, L"http://127.0.0.1:9/p.exe", dir / L"p.exe");
        ASSERT_NE(downloader, nullptr);
        EXPECT_EQ(typeid(*downloader), c.downloader) << c.type;
    }
}

TEST(DownloaderFactoryTest, ConstructionRemovesWhatAnEarlierRunLeft)
{
    TempDir dir;
    const auto touch = [&](const std::wstring& name) {
        Utils::UniqueFile(CreateFileW((dir / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    };
    const auto exists = [&](const std::wstring& name) {
        return GetFileAttributesW((dir / name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    for (const wchar_t* name : {L"p.exe", L"p.exe.part", L"p.exe_0", L"p.exe_1"}) touch(name);

    DownloaderFactory::Create(
        1, [](int32_t, double, const wchar_t*) {}, L"http://127.0.0.1:9/", dir / L"p.exe");
    EXPECT_FALSE(exists(L"p.exe.part"));
    EXPECT_TRUE(exists(L"p.exe_0"));

    DownloaderFactory::Create(
        3, [](int32_t, double, const wchar_t*) {}, L"http://127.0.0.1:9/", dir / L"p.exe");
    EXPECT_FALSE(exists(L"p.exe"));
    EXPECT_FALSE(exists(L"p.exe_0"));
    EXPECT_FALSE(exists(L"p.exe_1"));
}

} // namespace
