// A small program for the trace viewer's tests: writes diagnostic lines from its main thread
// and from a worker, then exits with the code given as its first argument.

#include "utils/DebugLog.h"
#include "utils/Thread.h"

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    const int exitCode = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 0;
    LOG_LINE(L"CDownloadInstaller::Start", L"DL_TYPE=%d\r\n", 3);
    LOG_LINE(L"CInstaller::Parse", L"ExePath: %s", L"C:\\Program Files\\LumaCut\\lumacutout.exe");
    LOG_LINE(L"CurlClient::ProgressCallback", L" %dM %dM   progress:%f%%  speed:%f \n", 5, 10, 50.0, 1.5);
    Utils::Thread worker(nullptr, L"ABDEF", [](void*) -> unsigned {
        LOG_LINE(L"CMTCurlDownloader::Start_Down", L"start download\r\n");
        return 0;
    });
    worker.Resume();
    worker.Join();
    LOG_LINE(L"Sample::End", L"中文 done\r\n");
    return exitCode;
}
