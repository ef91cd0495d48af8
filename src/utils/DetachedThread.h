#pragma once

#include <functional>

namespace Utils {

// Runs `work` on a new thread that nobody joins; returns false (and runs nothing) when no
// thread could be created. Whatever `work` uses must stay valid until it returns: capture
// shared state by value.
//
// Built on the C runtime's own threads rather than std::thread: the posix-thread layer of the
// toolchain has a race between detaching a thread and that thread's start-up, which corrupts
// its bookkeeping when many short detached threads run at once.
bool RunDetached(std::function<void()> work);

} // namespace Utils
