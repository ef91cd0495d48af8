#include "utils/DetachedThread.h"

#include "utils/Handles.h"

#include <process.h>

#include <memory>

namespace Utils {

namespace {

unsigned __stdcall RunWork(void* argument)
{
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(argument));
    (*work)();
    return 0;
}

} // namespace

bool RunDetached(std::function<void()> work)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    UniqueHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunWork, owned.get(), 0, nullptr)));
    if (!thread) return false;
    owned.release(); // the thread frees it
    return true;
}

} // namespace Utils
