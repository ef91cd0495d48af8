#include "download/CurlClient.h"

#include "app/InstallerReport.h"
#include "download/TlsTrust.h"
#include "utils/DebugLog.h"
#include "utils/Handles.h"
#include "utils/Text.h"

#include <windows.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace {

constexpr long kConnectTimeoutSeconds = 60;
// A transfer that moves less than 1 byte per second for this long is given up and resumed.
constexpr long kStallSeconds = 5;
constexpr size_t kFileBufferBytes = 256 * 1024;
// Every receive call is costly under emulation layers and on Windows alike: fewer, larger ones.
constexpr long kReceiveBufferBytes = 512 * 1024;

size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file)
{
    return std::fwrite(data, 1, size * count, static_cast<FILE*>(file));
}

std::wstring CurlText(int code)
{
    return Utils::ToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_UTF8);
}

std::string NarrowAddress(const std::wstring& url)
{
    // Local file addresses name a file in the ANSI code page; network addresses travel as UTF-8.
    return Utils::ToNarrow(url, url.rfind(L"file:///", 0) == 0 ? CP_ACP : CP_UTF8);
}

int64_t FileSize(const std::wstring& path)
{
    struct _stat64 status;
    return _wstat64(path.c_str(), &status) == 0 ? status.st_size : -1;
}

bool StatusAccepted(long status)
{
    return status >= 200 && status <= 399;
}

void ReportLengthStatus(long status)
{
    wchar_t reason[201];
    std::swprintf(reason, std::size(reason), L"1.获取文件大小的状态码为=%ld；", status);
    InstallerReport::Event(L"下载失败原因", reason);
}

// Options of a header-only look-up of `address`; non-zero when one could not be set.
int PrepareLookUp(CURL* curl, const std::string& address, bool followRedirects)
{
    int code = curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    if (followRedirects) code |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    code |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
    code |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    code |= TlsTrust::Apply(curl);
    return code;
}

} // namespace

CurlClient::CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner, ProgressFn progressFn)
    : m_url(url), m_filePath(filePath), m_owner(owner), m_progressFn(progressFn)
{}

CurlClient::~CurlClient()
{
    m_stop = true;
    DeleteFileW(GetFilePath(true).c_str());
}

std::wstring CurlClient::GetFilePath(bool partial) const
{
    return partial ? m_filePath + L".part" : m_filePath;
}

void CurlClient::LookUp(const std::string& address)
{
    if (m_realUrl.empty() || m_fileLength < kMinimumLength) {
        Utils::UniqueCurl head = Head(address);
        m_realUrl = head ? GetEffectiveUrl(head.get()) : std::string();
        m_fileLength = head ? GetDownloadFileLength(head.get()) : -1.0;
    }
    if (m_realUrl.empty() || m_fileLength < kMinimumLength) {
        m_realUrl = GetRealUrl_Str(address);
        if (!m_realUrl.empty()) m_fileLength = GetDownloadFileLength_Str(m_realUrl);
    }
}

int CurlClient::Start()
{
    LOG_LINE(L"CurlClient::Start", L"start download\r\n");
    const std::string address = NarrowAddress(m_url);
    LookUp(address);
    const int result = m_fileLength < kMinimumLength ? kLengthRefused : Transfer(m_realUrl);
    LOG_LINE(L"CurlClient::Start", L"error:%d:%s\r\n", result, CurlText(result).c_str());

    int outcome = result;
    if (result == 0 && !MoveFileExW(GetFilePath(true).c_str(), GetFilePath(false).c_str(), MOVEFILE_REPLACE_EXISTING))
        outcome = kMoveFailed;
    LOG_LINE(L"CurlClient::Start", L"end download\r\n");
    return outcome;
}

// One GET of `address` appended to the partial file; the handle and the file are released
// before it returns, the file keeping whatever arrived.
int CurlClient::Transfer(const std::string& address)
{
    m_handle.reset(curl_easy_init());
    if (!m_handle) return kNoHandle;
    CURL* curl = m_handle.get();

    // A partial file longer than the package was left by another one: nothing in it can be
    // resumed, so it starts afresh.
    const int64_t length = static_cast<int64_t>(m_fileLength);
    const bool stale = FileSize(GetFilePath(true)) > length;
    Utils::UniqueCFile file(_wfopen(GetFilePath(true).c_str(), stale ? L"wb+" : L"ab+"));
    if (!file) {
        m_errorText = _wcserror(errno);
        if (m_errorText.size() > 200) m_errorText.resize(200);
        m_handle.reset();
        return kOpenFailed;
    }
    std::setvbuf(file.get(), nullptr, _IOFBF, kFileBufferBytes);

    // No Accept-Encoding: the package travels as identity bytes, so resume offsets and the
    // checksum refer to the file itself.
    Utils::UniqueCurlList headers(curl_slist_append(nullptr, "Connection: keep-alive"));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPIDLE, 10L);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPINTVL, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);

    int result = curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    result |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, file.get());
    result |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    result |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    result |= curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    result |= TlsTrust::Apply(curl);

    m_resumeOffset = FileSize(GetFilePath(true));
    if (m_resumeOffset > 0)
        result |= curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(m_resumeOffset));

    // A partial file that already holds the whole package (the previous attempt ended after
    // its last byte, or could not move it into place) needs no transfer: asking the server for
    // the range after the end would only be refused.
    if (result == 0 && m_resumeOffset != length) result = curl_easy_perform(curl);
    m_handle.reset();
    if (std::fclose(file.release()) != 0 && result == 0) result = CURLE_WRITE_ERROR;
    return result;
}

Utils::UniqueCurl CurlClient::Head(const std::string& address)
{
    Utils::UniqueCurl handle(curl_easy_init());
    int code = 0;
    if (handle) {
        CURL* curl = handle.get();
        code = PrepareLookUp(curl, address, true);
        if (code == 0) {
            code = curl_easy_perform(curl);
            if (code != 0) LOG_LINE(L"CurlClient::Head", L"error:%d:%s", code, CurlText(code).c_str());
        }
    }
    LOG_LINE(L"CurlClient::Head", L"error:%d:%s\r\n", code, CurlText(code).c_str());
    return handle;
}

std::string CurlClient::GetEffectiveUrl(CURL* handle)
{
    char* url = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url) return {};
    return url;
}

double CurlClient::GetDownloadFileLength(CURL* handle)
{
    curl_off_t length = -1;
    const CURLcode code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    LOG_LINE(L"CurlClient::GetDownloadFileLength", L"error:%d:%s\r\n", code, CurlText(code).c_str());
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && StatusAccepted(status))
        return code == CURLE_OK ? static_cast<double>(length) : -1.0;
    ReportLengthStatus(status);
    return -1.0;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& address)
{
    double length = -1.0;
    int code = 0;
    if (Utils::UniqueCurl handle{curl_easy_init()}) {
        CURL* curl = handle.get();
        code = PrepareLookUp(curl, address, false);
        code |= curl_easy_setopt(curl, CURLOPT_HEADER, 1L);
        if (code == 0) {
            curl_easy_perform(curl);
            curl_off_t announced = -1;
            code = curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (code == CURLE_OK) length = static_cast<double>(announced);
            long status = 0;
            code = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            if (code != CURLE_OK || !StatusAccepted(status)) ReportLengthStatus(status);
        }
    }
    LOG_LINE(L"CurlClient::GetDownloadFileLength_Str", L"error:%d:%s\r\n", code, CurlText(code).c_str());
    return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& address)
{
    std::string effective;
    if (Utils::UniqueCurl handle{curl_easy_init()}) {
        CURL* curl = handle.get();
        int code = PrepareLookUp(curl, address, true);
        if (code == 0) {
            code = curl_easy_perform(curl);
            if (code != 0)
                LOG_LINE(L"CurlClient::GetRealUrl_Str", L"error:%d:%s", code, CurlText(code).c_str());
            else
                effective = GetEffectiveUrl(curl);
        }
    }
    return effective.empty() ? address : effective;
}

double CurlClient::Percent(double fileLength, int64_t resumeOffset, int64_t total, int64_t now)
{
    if (fileLength > kMinimumLength) return static_cast<double>(now + resumeOffset) / fileLength * 100.0;
    if (now <= 0 || total <= 0) return 0.0;
    return static_cast<double>(now) * 100.0 / static_cast<double>(total);
}

int CurlClient::ProgressCallback(void* clientPointer, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto& client = *static_cast<CurlClient*>(clientPointer);
    if (client.m_stop) return 1;

    const int64_t second = _time64(nullptr);
    if (second <= client.m_lastProgressTime) return 0;
    client.m_lastProgressTime = second;

    curl_off_t speed = 0;
    curl_easy_getinfo(client.m_handle.get(), CURLINFO_SPEED_DOWNLOAD_T, &speed);
    const double percent = Percent(client.m_fileLength, client.m_resumeOffset, total, now);
    if (percent == 0.0) return 0;

    client.m_progressFn(client.m_owner, static_cast<double>(speed), 0.0, percent);
    if (total != 0)
        LOG_LINE(L"CurlClient::ProgressCallback", L" %dM %dM   progress:%f%%  speed:%f \n",
                 static_cast<int>(now / 1048576), static_cast<int>(total / 1048576),
                 static_cast<double>(static_cast<float>(percent)),
                 static_cast<double>(static_cast<float>(speed / 1024.0)));
    return 0;
}
