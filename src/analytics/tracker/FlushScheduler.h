#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tarvo::tracking {

// The step that follows every tracked event: count it (records wait for the next flush) or
// flush the queue now. After a failed send the step runs on a detached thread so the caller
// never waits for the network; after a successful one it runs on the caller's thread. Steps
// of all trackers are serialised by one process-wide lock.
//
// The detached steps share the scheduler's state, never the tracker; WaitForDetachedSteps()
// lets the tracker outlive them.
class FlushScheduler {
public:
    enum class Mode { Count, FlushNow };

    FlushScheduler();
    ~FlushScheduler();
    FlushScheduler(const FlushScheduler&) = delete;
    FlushScheduler& operator=(const FlushScheduler&) = delete;

    void AfterEvent(Mode mode);
    // A flush-now step on the calling thread, whatever the last send did.
    void FlushNowOnThisThread();
    void AddPending(int count);
    int Pending() const;
    void ResetPending();

    // Up to three FlushAll attempts in a row while records are pending.
    void ShutdownFlush();
    // Blocks until every detached step has finished.
    void WaitForDetachedSteps();

private:
    struct State {
        std::atomic<int> pending{0};
        std::mutex mutex;
        std::condition_variable idle;
        int detached = 0;
    };

    static void RunStep(State& state, Mode mode);

    std::shared_ptr<State> m_state;
};

} // namespace tarvo::tracking
