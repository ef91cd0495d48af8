#include "download/WinDownloader.h"

#include "utils/Text.h"

#include <objbase.h>

namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryPauseMs = 1000;

} // namespace

CWinDownloader::CBindCallback::~CBindCallback()
{
    aborted = true;
}

HRESULT STDMETHODCALLTYPE CWinDownloader::CBindCallback::QueryInterface(REFIID, void** object)
{
    if (object) *object = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CWinDownloader::CBindCallback::OnStartBinding(DWORD, IBinding* newBinding)
{
    binding = newBinding;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CWinDownloader::CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
    if (aborted) return E_ABORT;
    if (progressMax == 0) return S_OK;
    callback(DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progressMax), L"");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWinDownloader::CBindCallback::GetBindInfo(DWORD*, BINDINFO* info)
{
    if (info) info->dwCodePage = CP_UTF8;
    return E_NOTIMPL;
}

void CWinDownloader::Shared::Send(int32_t code, double value, const wchar_t* text) const
{
    if (!released) callback(code, value, text);
}

CWinDownloader::CWinDownloader(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->callback = std::move(callback);
    m_shared->filePath = destinationPath;
    m_shared->url = url;
    std::weak_ptr<Shared> weak = m_shared;
    m_shared->worker = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [weak](void*) -> unsigned {
        if (const std::shared_ptr<Shared> shared = weak.lock()) Download(*shared);
        return 0;
    });
}

CWinDownloader::~CWinDownloader()
{
    m_shared->released = true;
    m_shared->bindCallback.aborted = true;
    // A thread never started would keep whoever joins it waiting forever: let it run and end.
    if (!m_shared->started) m_shared->worker->Resume();
}

void CWinDownloader::Start()
{
    if (m_shared->started) return; // the one worker has run (or runs) already
    m_shared->started = true;
    m_shared->bindCallback.callback = m_shared->callback;
    m_shared->worker->Resume();
}

void CWinDownloader::Download(Shared& shared)
{
    if (shared.released) return;
    const HRESULT initialised = CoInitialize(nullptr);

    shared.Send(DL_CODE_START, 1.0, L"");
    if (shared.filePath.empty()) {
        // A final failure: nothing may follow it.
        shared.Send(DL_CODE_FAIL, 1.0, L"");
    } else {
        const std::wstring address = shared.url.rfind(L"file:///", 0) == 0 ? shared.url : Utils::EscapeUrl(shared.url);
        HRESULT result = E_FAIL;
        for (int attempt = 0; attempt < kAttempts && !shared.released; ++attempt) {
            result = URLDownloadToFileW(nullptr, address.c_str(), shared.filePath.c_str(), 0, &shared.bindCallback);
            if (result == S_OK) break;
            Sleep(kRetryPauseMs);
        }
        if (result == S_OK)
            shared.Send(DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile");
        else
            shared.Send(DL_CODE_FAIL, static_cast<double>(static_cast<int32_t>(result)), L"URLDownloadToFile");
    }
    if (SUCCEEDED(initialised)) CoUninitialize();
}
