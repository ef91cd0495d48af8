#include "utils/Thread.h"

#include "utils/DebugLog.h"
#include "utils/Text.h"

#include <process.h>

namespace Utils {

namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
    DWORD type;     // always 0x1000
    LPCSTR name;    // narrow name
    DWORD threadId; // the named thread
    DWORD flags;    // reserved, 0
};
#pragma pack(pop)

// Without a debugger nobody handles the naming exception; this handler swallows it so that
// raising it never reaches the unhandled-exception filter.
LONG CALLBACK SwallowThreadNameException(EXCEPTION_POINTERS* info)
{
    return info->ExceptionRecord->ExceptionCode == kSetThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                           : EXCEPTION_CONTINUE_SEARCH;
}

void NameThreadForDebugger(const std::string& name, DWORD threadId)
{
    static const PVOID handler = AddVectoredExceptionHandler(0, &SwallowThreadNameException);
    (void)handler;
    ThreadNameInfo info{0x1000, name.c_str(), threadId, 0};
    RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&info));
}

} // namespace

Thread::Thread(void* param, const std::wstring& name, Function fn)
    : m_work(std::make_shared<Work>(Work{std::move(fn), param})), m_name(name)
{
    // The new thread gets its own reference to the work; it frees it when it ends.
    auto* reference = new std::shared_ptr<Work>(m_work);
    m_handle.reset(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Thread::CallBack, reference, CREATE_SUSPENDED, &m_id)));
    if (!m_handle) {
        delete reference;
        return;
    }
    NameThreadForDebugger(DebuggerName(m_name, m_id), m_id);
}

Thread::~Thread()
{
    Join();
}

bool Thread::Resume()
{
    return m_handle && ResumeThread(m_handle.get()) != static_cast<DWORD>(-1);
}

void Thread::Join()
{
    if (!m_handle) return;
    if (GetCurrentThreadId() != m_id) WaitForSingleObject(m_handle.get(), INFINITE);
    m_handle.reset();
    m_id = static_cast<unsigned>(-1);
}

std::string Thread::DebuggerName(const std::wstring& name, unsigned id)
{
    return name.empty() ? "t" + std::to_string(id) : ToNarrow(name, CP_ACP);
}

unsigned __stdcall Thread::CallBack(void* reference)
{
    {
        std::shared_ptr<Work> work = std::move(*static_cast<std::shared_ptr<Work>*>(reference));
        delete static_cast<std::shared_ptr<Work>*>(reference);
        LOG_LINE(L"Utils::Thread::CallBack", L"THREAD BEGIN\r\n");
        work->fn(work->param);
        LOG_LINE(L"Utils::Thread::CallBack", L"THREAD END\r\n");
    }
    _endthreadex(0);
    return 0;
}

} // namespace Utils
