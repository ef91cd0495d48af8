#include "download/DownloaderFactory.h"

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"

namespace DownloaderFactory {

std::unique_ptr<CDownloader> Create(int downloadType, DownloadCallback callback, const std::wstring& url,
                                    const std::wstring& destinationPath)
{
    switch (downloadType) {
    case kSystem: return std::make_unique<CWinDownloader>(std::move(callback), url, destinationPath);
    case kMultiPart: return std::make_unique<CMTCurlDownloader>(std::move(callback), url, destinationPath);
    default: return std::make_unique<CCurlDownloader>(std::move(callback), url, destinationPath);
    }
}

} // namespace DownloaderFactory
