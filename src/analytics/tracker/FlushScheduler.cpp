#include "analytics/tracker/FlushScheduler.h"

#include "analytics/core/Sdk.h"
#include "analytics/core/SendStatus.h"
#include "utils/DetachedThread.h"

#include <windows.h>

namespace tarvo::tracking {

namespace {

constexpr int kFlushAttempts = 3;

std::mutex& StepLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

FlushScheduler::FlushScheduler() : m_state(std::make_shared<State>()) {}

FlushScheduler::~FlushScheduler()
{
    WaitForDetachedSteps();
}

void FlushScheduler::AfterEvent(Mode mode)
{
    if (qx_analytics::SendStatus::LastSendSucceeded()) {
        RunStep(*m_state, mode);
        return;
    }
    OutputDebugStringA("[analytics] Sending messages asynchronously");
    {
        std::lock_guard lock(m_state->mutex);
        ++m_state->detached;
    }
    const bool detached = Utils::RunDetached([state = m_state, mode] {
        RunStep(*state, mode);
        std::lock_guard lock(state->mutex);
        --state->detached;
        state->idle.notify_all();
    });
    if (!detached) {
        {
            std::lock_guard lock(m_state->mutex);
            --m_state->detached;
        }
        RunStep(*m_state, mode); // no thread to spare: do it here
    }
}

void FlushScheduler::FlushNowOnThisThread()
{
    RunStep(*m_state, Mode::FlushNow);
}

void FlushScheduler::AddPending(int count)
{
    m_state->pending.fetch_add(count);
}

int FlushScheduler::Pending() const
{
    return m_state->pending.load();
}

void FlushScheduler::ResetPending()
{
    m_state->pending.store(0);
}

void FlushScheduler::ShutdownFlush()
{
    if (m_state->pending.load() <= 0) return;
    for (int attempt = 0; attempt < kFlushAttempts; ++attempt) {
        if (qx_analytics::Sdk::FlushAll()) {
            m_state->pending.store(0);
            return;
        }
    }
}

void FlushScheduler::WaitForDetachedSteps()
{
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [this] { return m_state->detached == 0; });
}

void FlushScheduler::RunStep(State& state, Mode mode)
{
    std::lock_guard lock(StepLock());
    if (mode == Mode::Count) {
        Sleep(1);
        state.pending.fetch_add(1);
        return;
    }
    for (int attempt = 0; attempt < kFlushAttempts && state.pending.load() > 0; ++attempt) {
        if (qx_analytics::Sdk::FlushAll()) {
            state.pending.store(0);
            return;
        }
        Sleep(1);
    }
}

} // namespace tarvo::tracking
