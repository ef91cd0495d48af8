#pragma once

#include "download/DownloadCallback.h"
#include "download/Downloader.h"
#include "utils/Thread.h"

#include <windows.h>

#include <urlmon.h>

#include <atomic>
#include <memory>
#include <string>

// The system downloader: URLDownloadToFileW on one worker thread, up to three attempts one
// second apart, progress from the bind-status callback. No resume, no checksum, never 1005 or
// 1006. The worker is made (suspended) at construction, so only the first Start() transfers.
//
// Destroying the downloader never waits: the worker shares the state it uses, cancels its
// transfer at the next notification and ends without sending further events.
class CWinDownloader : public CDownloader {
public:
    CWinDownloader(DownloadCallback callback, const std::wstring& url, const std::wstring& destinationPath);
    ~CWinDownloader() override;

    void Start() override;

    // Status callback of the transfer. It lives inside the downloader's shared state, so it
    // does no reference counting, and it answers every query but progress with E_NOTIMPL.
    class CBindCallback : public IBindStatusCallbackEx {
    public:
        CBindCallback() = default;
        virtual ~CBindCallback();

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
        ULONG STDMETHODCALLTYPE Release() override { return 0; }
        HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
        HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                             LPCWSTR statusText) override;
        HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
        HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetBindInfoEx(DWORD*, BINDINFO*, DWORD*, DWORD*) override { return E_NOTIMPL; }

        DownloadCallback callback;
        std::atomic<bool> aborted{false};
        IBinding* binding = nullptr; // not owned
    };

private:
    struct Shared {
        void Send(int32_t code, double value, const wchar_t* text) const;

        CBindCallback bindCallback;
        DownloadCallback callback;
        std::wstring filePath;
        std::wstring url;
        std::unique_ptr<Utils::Thread> worker;
        bool started = false;
        std::atomic<bool> released{false};
    };

    static void Download(Shared& shared);

    std::shared_ptr<Shared> m_shared;
};
