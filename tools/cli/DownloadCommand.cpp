#include "Commands.h"
#include "EventPrinter.h"
#include "Output.h"
#include "Stats.h"

#include "app/LaunchSettings.h"
#include "download/CurlGlobal.h"
#include "download/DownloaderFactory.h"
#include "utils/Handles.h"
#include "utils/Text.h"

#include <windows.h>

#include <charconv>
#include <memory>
#include <string>

namespace Cli {

namespace {

constexpr wchar_t kUsage[] = L"usage: installer-cli download [--type=N] [--stats] URL DEST\n";

struct Options {
    int type = 1;
    bool stats = false;
    std::wstring url;
    std::wstring destination;
};

bool ParseType(const std::wstring& text, int& type)
{
    const std::string narrow = Utils::ToNarrow(text, CP_UTF8);
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), type);
    return error == std::errc() && end == narrow.data() + narrow.size() && !narrow.empty();
}

bool Parse(const Arguments& arguments, Options& options)
{
    std::vector<std::wstring> positional;
    for (const std::wstring& argument : arguments) {
        if (argument.rfind(L"--type=", 0) == 0) {
            if (!ParseType(argument.substr(7), options.type)) return false;
        } else if (argument == L"--stats") {
            options.stats = true;
        } else if (argument.rfind(L"--", 0) == 0) {
            return false;
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2) return false;
    options.url = positional[0];
    options.destination = positional[1];
    return true;
}

// Shared by the downloader's threads and the waiting main thread.
struct Session {
    CDownloader* downloader = nullptr;
    Utils::UniqueHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool succeeded = false;
};

void OnEvent(Session& session, int32_t code, double value, const wchar_t* text)
{
    PrintEvent(code, value, text);
    if (code == DL_CODE_RETRY) {
        // Like the orchestrator: start again from inside the event.
        session.downloader->Start();
    } else if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) {
        session.succeeded = code == DL_CODE_SUCCESS;
        SetEvent(session.finished.get());
    }
}

} // namespace

// download [--type=N] [--stats] URL DEST: runs the downloader of type N (default 1), prints each
// event as code<TAB>value<TAB>text, restarts it on 1005 and ends after 1003 (exit 0) or 1004
// (exit 1).
int RunDownload(const Arguments& arguments)
{
    Options options;
    if (!Parse(arguments, options)) {
        PrintError(kUsage);
        return 2;
    }

    CurlGlobal curl;
    if (curl.Init() != 0) g_LaunchSettings.m_LibcurlReady = false;
    const ULONGLONG started = GetTickCount64();
    auto session = std::make_shared<Session>();
    std::unique_ptr<CDownloader> downloader = DownloaderFactory::Create(
        options.type,
        [session](int32_t code, double value, const wchar_t* text) { OnEvent(*session, code, value, text); },
        options.url, options.destination);
    session->downloader = downloader.get();
    downloader->Start();
    WaitForSingleObject(session->finished.get(), INFINITE);

    if (options.stats) PrintStats(GetTickCount64() - started, session->succeeded ? FileSize(options.destination) : 0);
    const int exitCode = session->succeeded ? 0 : 1;
    // The final event has been sent; the worker may still be returning from it, which the
    // downloader allows: releasing it does not wait.
    downloader.reset();
    return exitCode;
}

} // namespace Cli
