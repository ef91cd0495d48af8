#pragma once

#include "download/DownloadCallback.h"
#include "download/Downloader.h"

#include <memory>
#include <string>

// Picks the downloader for a download type: 2 the system downloader, 3 the multi-part one,
// every other value the single-stream one.
namespace DownloaderFactory {

enum DownloadType : int {
    kSingleStream = 1,
    kSystem = 2,
    kMultiPart = 3,
};

std::unique_ptr<CDownloader> Create(int downloadType, DownloadCallback callback, const std::wstring& url,
                                    const std::wstring& destinationPath);

} // namespace DownloaderFactory
