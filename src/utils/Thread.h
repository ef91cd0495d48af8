#pragma once

#include "utils/Handles.h"

#include <functional>
#include <memory>
#include <string>

namespace Utils {

// One worker thread running `fn(param)`. It is created suspended: the owner calls Resume()
// right after construction (and does nothing further when handle() is null, which means the
// thread could not be created). Destruction joins the thread, so it blocks until the work
// returns; Join() and the destructor belong to the owning thread. Called from the worker
// itself they retire the object without waiting (a thread cannot wait for itself): the work
// keeps its own reference to `fn`, so it may outlive the object.
class Thread {
public:
    using Function = std::function<unsigned(void*)>;

    Thread(void* param, const std::wstring& name, Function fn);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Resume();
    void Join();

    HANDLE handle() const { return m_handle.get(); }
    // The thread id; all ones once joined.
    unsigned id() const { return m_id; }
    const std::wstring& name() const { return m_name; }

    // Name the debugger sees for a thread called `name` with id `id`.
    static std::string DebuggerName(const std::wstring& name, unsigned id);

private:
    struct Work {
        Function fn;
        void* param;
    };
    static unsigned __stdcall CallBack(void* work);

    unsigned m_id = 0;
    UniqueHandle m_handle;
    std::shared_ptr<Work> m_work;
    std::wstring m_name;
};

} // namespace Utils
