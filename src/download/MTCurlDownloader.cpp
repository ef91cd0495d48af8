#include "download/MTCurlDownloader.h"

#include "app/LaunchSettings.h"
#include "download/PackageChecksum.h"
#include "download/TlsTrust.h"
#include "utils/DebugLog.h"
#include "utils/DetachedThread.h"
#include "utils/Text.h"

#include <windows.h>

#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kBudget = 12;
constexpr int kPartialFileCode = 18; // CURLE_PARTIAL_FILE: cheap to resume, so it costs less
constexpr DWORD kRetryPauseMs = 400;
constexpr DWORD kRangeStartGapMs = 100;
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 5;
constexpr size_t kCopyBlockBytes = 256 * 1024;
constexpr size_t kFileBufferBytes = 256 * 1024;
// Every receive call is costly under emulation layers and on Windows alike: fewer, larger ones.
constexpr long kReceiveBufferBytes = 512 * 1024;

size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

std::wstring CurlText(int code)
{
    return Utils::ToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_UTF8);
}

int64_t ExistingSize(const std::wstring& path)
{
    struct _stat64 status;
    return _wstat64(path.c_str(), &status) == 0 ? status.st_size : 0;
}

Utils::UniqueCFile OpenForAppend(const std::wstring& path)
{
    Utils::UniqueCFile file(_wfopen(path.c_str(), L"ab+"));
    if (file) std::setvbuf(file.get(), nullptr, _IOFBF, kFileBufferBytes);
    return file;
}

} // namespace

void CMTCurlDownloader::Shared::Send(int32_t code, double value, const wchar_t* text) const
{
    if (!released) callback(code, value, text);
}

std::wstring CMTCurlDownloader::Shared::PartPath(size_t index) const
{
    return filePath + L"_" + std::to_wstring(index);
}

void CMTCurlDownloader::Shared::DeletePartFiles() const
{
    DeleteFileW(PartPath(0).c_str());
    DeleteFileW(PartPath(1).c_str());
}

CMTCurlDownloader::CMTCurlDownloader(DownloadCallback callback, const std::wstring& url,
                                     const std::wstring& destinationPath)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->callback = std::move(callback);
    m_shared->filePath = destinationPath;
    m_shared->url = url;
    DeleteFileW(destinationPath.c_str());
    m_shared->DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader()
{
    m_shared->released = true;
}

void CMTCurlDownloader::Start()
{
    // The previous planning thread has ended long before its run's final event; when this call
    // comes from it anyway, it is only retired.
    m_shared->worker.reset();

    std::weak_ptr<Shared> weak = m_shared;
    m_shared->worker = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [weak](void*) -> unsigned {
        if (const std::shared_ptr<Shared> shared = weak.lock()) Start_Down(shared);
        return 0;
    });
    m_shared->worker->Resume();
}

std::vector<CMTCurlDownloader::Range> CMTCurlDownloader::PlanRanges(int64_t fileLength)
{
    const int64_t count = std::clamp<int64_t>(fileLength / kRangeUnit, 1, 2);
    const int64_t size = fileLength / count;
    std::vector<Range> ranges;
    for (int64_t i = 0; i < count; ++i) ranges.push_back({i * size, i + 1 == count ? fileLength - i * size : size});
    return ranges;
}

double CMTCurlDownloader::Percentage(int64_t fileLength, const std::vector<int64_t>& done)
{
    double percent = 0;
    if (fileLength < kMinimumLength) return percent;
    for (const int64_t bytes : done)
        if (bytes > 0) percent += static_cast<double>(bytes) * 100.0 / static_cast<double>(fileLength);
    return percent;
}

void CMTCurlDownloader::Start_Down(const std::shared_ptr<Shared>& shared)
{
    shared->Send(DL_CODE_START, 1.0, L"");
    LOG_LINE(L"CMTCurlDownloader::Start_Down", L"start download\r\n");

    const std::wstring& url = shared->url;
    const std::string address = Utils::ToNarrow(url, url.rfind(L"file:///", 0) == 0 ? CP_ACP : CP_UTF8);

    DeleteFileW(shared->filePath.c_str());
    // Part files survive only a failed run that had reported progress: the next run resumes them.
    if (shared->lastReported == 0) shared->DeletePartFiles();

    if ((shared->realUrl.empty() || shared->fileLength < kMinimumLength) && !getRealDownloadUrl(*shared, address)) {
        shared->Send(DL_CODE_FAIL, 0.0, L"LibCurl");
        return;
    }

    const std::vector<Range> ranges = PlanRanges(shared->fileLength);
    for (size_t i = 0; i < ranges.size(); ++i) {
        auto part = std::make_unique<DownloadPartNode>();
        part->partPath = shared->PartPath(i);
        int64_t existing = ExistingSize(part->partPath);
        if (existing > ranges[i].size) {
            // Longer than its range: left by another package, so nothing in it can be resumed.
            DeleteFileW(part->partPath.c_str());
            existing = 0;
        }
        part->done = existing;
        part->next = ranges[i].start + existing;
        part->end = ranges[i].start + ranges[i].size - 1;
        part->curl.reset(curl_easy_init());
        part->url = shared->realUrl;
        if (part->next > part->end) {
            part->status = 0;
        } else {
            part->file = OpenForAppend(part->partPath);
            part->status = part->file ? -1 : kPartFileFailed;
        }
        shared->parts.push_back(std::move(part));
    }

    bool first = true;
    for (const auto& part : shared->parts) {
        if (part->status != -1) continue;
        if (!first) Sleep(kRangeStartGapMs);
        first = false;
        {
            std::lock_guard lock(shared->countMutex);
            ++shared->activeCount;
        }
        DownloadPartNode* range = part.get();
        if (!Utils::RunDetached([shared, range] { downloadThreadFun(shared, range); })) {
            part->file.reset();
            part->status = CURLE_FAILED_INIT;
            std::lock_guard lock(shared->countMutex);
            --shared->activeCount;
        }
    }
    if (!Utils::RunDetached([shared] { waitForFinishThreadFun(shared); }))
        waitForFinishThreadFun(shared); // no thread to spare: wait here instead
}

bool CMTCurlDownloader::getRealDownloadUrl(Shared& shared, const std::string& address)
{
    shared.realUrl.clear();
    shared.urlMd5.clear();
    shared.fileLength = 0;
    if (!g_LaunchSettings.m_LibcurlReady) return false;

    Utils::UniqueCurl handle(curl_easy_init());
    if (!handle) return false;
    CURL* curl = handle.get();
    Utils::UniqueCurlList headers(curl_slist_append(nullptr, "Connection: keep-alive"));
    int code = curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    code |= curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    code |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
    code |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    code |= TlsTrust::Apply(curl);
    if (code != 0 || curl_easy_perform(curl) != CURLE_OK) return false;

    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
        shared.realUrl = effective;
        LOG_LINE(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File real url %s\r\n",
                 Utils::ToWide(shared.realUrl, CP_UTF8).c_str());
        shared.urlMd5 = PackageChecksum::ExpectedFromUrl(shared.realUrl);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
        shared.fileLength = length;
        LOG_LINE(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File Length %lld\r\n",
                 static_cast<long long>(shared.fileLength));
    }
    return !shared.realUrl.empty() && shared.fileLength >= kMinimumLength;
}

void CMTCurlDownloader::downloadThreadFun(const std::shared_ptr<Shared>& shared, DownloadPartNode* part)
{
    int budget = kBudget;
    int result = downloadExe(*shared, *part);
    while (result != 0 && budget > 0 && !shared->released) {
        budget -= result == kPartialFileCode ? 1 : 2;
        LOG_LINE(L"CMTCurlDownloader::downloadThreadFun", L"CurlDownLoader Code=%d\r\n", result);
        Sleep(kRetryPauseMs);
        result = downloadExe(*shared, *part);
    }
    part->file.reset();

    std::lock_guard lock(shared->countMutex);
    --shared->activeCount;
    shared->countChanged.notify_all();
}

int CMTCurlDownloader::downloadExe(Shared& shared, DownloadPartNode& part)
{
    if (part.next > part.end) {
        // Every byte of the range is on disk, e.g. after a server sent more than was asked for
        // and the surplus was refused.
        part.file.reset();
        part.status = 0;
        return 0;
    }
    if (!part.curl) return part.status = CURLE_FAILED_INIT;

    CURL* curl = part.curl.get();
    char range[64];
    std::snprintf(range, sizeof(range), "%" PRId64 "-%" PRId64, part.next, part.end);
    int code = curl_easy_setopt(curl, CURLOPT_URL, part.url.c_str());
    code |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
    code |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::PartWriter);
    code |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, &part);
    code |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    code |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::PartProgress);
    code |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &shared);
    code |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    code |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    code |= curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    code |= curl_easy_setopt(curl, CURLOPT_RANGE, range);
    code |= TlsTrust::Apply(curl);
    if (code != 0) return code;

    int result = curl_easy_perform(curl);
    if (result != 0)
        LOG_LINE(L"CMTCurlDownloader::downloadExe", L"error:%d:%s\r\n", result, CurlText(result).c_str());
    else
        LOG_LINE(L"CMTCurlDownloader::downloadExe", L"curl_easy_cleanup\r\n");
    curl_easy_reset(curl);

    if (result == 0) {
        if (std::fclose(part.file.release()) != 0) result = CURLE_WRITE_ERROR;
    } else if (part.file) {
        // Bytes still in the stream buffer belong to the file before the next attempt sizes it.
        std::fflush(part.file.get());
    }
    part.status = result;
    return result;
}

size_t CMTCurlDownloader::PartWriter(char* data, size_t size, size_t count, void* pointer)
{
    auto& part = *static_cast<DownloadPartNode*>(pointer);
    size_t written = 0;
    if (part.file && part.next <= part.end) {
        // A server that ignores the range would send the package from its first byte.
        long status = 0;
        curl_easy_getinfo(part.curl.get(), CURLINFO_RESPONSE_CODE, &status);
        if (status == 206 || (status == 200 && part.next == 0)) {
            const int64_t room = part.end - part.next + 1;
            const size_t wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size * count), room));
            written = std::fwrite(data, 1, wanted, part.file.get());
            part.next += static_cast<int64_t>(written);
        }
    }
    part.done += static_cast<int64_t>(written);
    return written;
}

int CMTCurlDownloader::PartProgress(void* pointer, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& shared = *static_cast<Shared*>(pointer);
    if (shared.released) return 1; // the owner is gone: abort
    std::lock_guard lock(shared.progressMutex);
    const int64_t second = _time64(nullptr);
    if (second <= shared.lastProgressTime) return 0;
    shared.lastProgressTime = second;

    std::vector<int64_t> done;
    for (const auto& part : shared.parts) done.push_back(part->done);
    const double percent = Percentage(shared.fileLength, done);
    if (!done.empty() && percent > 100.0) return 0;
    if (percent < shared.lastReported + 1) return 0;
    shared.lastReported = percent;
    shared.Send(DL_CODE_PROGRESS, percent / 100.0, L"");
    return 0;
}

void CMTCurlDownloader::waitForFinishThreadFun(const std::shared_ptr<Shared>& shared)
{
    {
        std::unique_lock lock(shared->countMutex);
        shared->countChanged.wait(lock, [&] { return shared->activeCount == 0; });
    }
    if (shared->released) {
        DisposeParts(*shared);
        return;
    }

    for (const auto& part : shared->parts) {
        if (part->status != 0) {
            const int value = part->status;
            DisposeParts(*shared);
            if (shared->lastReported == 0) shared->DeletePartFiles();
            FailRun(*shared, value);
            return;
        }
    }

    shared->lastReported = 0;
    const bool joined = JoinParts(*shared);
    DisposeParts(*shared);
    if (!joined) {
        shared->DeletePartFiles();
        DeleteFileW(shared->filePath.c_str());
        FailRun(*shared, kJoinFailed);
        return;
    }

    switch (PackageChecksum::Check(shared->urlMd5, shared->filePath)) {
    case PackageChecksum::Verdict::NoExpected: shared->Send(DL_CODE_REASON, 0.0, L"mtcurl获取url-md5失败"); break;
    case PackageChecksum::Verdict::Match: break;
    case PackageChecksum::Verdict::Mismatch:
        shared->Send(DL_CODE_REASON, 0.0, L"mtcurl文件md5校验失败");
        DeleteFileW(shared->filePath.c_str());
        if (shared->retried) {
            LOG_LINE(L"CMTCurlDownloader::waitForFinishThreadFun",
                     L"finish recv, md5 chaek failed and retry failed.\r\n");
            shared->Send(DL_CODE_FAIL, 0.0, L"LibCurl");
        } else {
            shared->retried = true;
            LOG_LINE(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv, md5 chaek failed retry once.\r\n");
            shared->Send(DL_CODE_RETRY, 0.0, L"LibCurl");
        }
        return;
    }
    LOG_LINE(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv\r\n");
    shared->Send(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}

// 1005 the first time a run fails, 1004 afterwards.
void CMTCurlDownloader::FailRun(Shared& shared, int value)
{
    if (shared.retried) {
        shared.lastReported = 0;
        shared.Send(DL_CODE_FAIL, value, L"LibCurl");
    } else {
        shared.retried = true;
        shared.Send(DL_CODE_RETRY, value, L"LibCurl");
    }
}

// Appends the further part files to part file 0 and moves it to the destination. False when
// part 0 cannot be opened, a copy fails or the move fails.
bool CMTCurlDownloader::JoinParts(Shared& shared)
{
    Utils::UniqueCFile target(_wfopen(shared.PartPath(0).c_str(), L"ab+"));
    if (!target) return false;
    std::vector<char> block(kCopyBlockBytes);
    bool copied = true;
    for (size_t i = 1; i < shared.parts.size(); ++i) {
        const std::wstring path = shared.PartPath(i);
        if (Utils::UniqueCFile source{_wfopen(path.c_str(), L"rb")}) {
            size_t read = 0;
            while ((read = std::fread(block.data(), 1, block.size(), source.get())) > 0)
                if (std::fwrite(block.data(), 1, read, target.get()) != read) copied = false;
            if (std::ferror(source.get())) copied = false;
        } else {
            copied = false;
        }
        LOG_LINE(L"CMTCurlDownloader::waitForFinishThreadFun", L"partPath::%s\r\n", path.c_str());
    }
    if (std::fclose(target.release()) != 0) copied = false;
    if (!copied) return false;
    if (!MoveFileExW(shared.PartPath(0).c_str(), shared.filePath.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    shared.DeletePartFiles();
    return true;
}

void CMTCurlDownloader::DisposeParts(Shared& shared)
{
    std::lock_guard lock(shared.progressMutex);
    shared.parts.clear();
}
