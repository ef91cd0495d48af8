#pragma once

#include <mutex>

namespace qx_analytics {

// Whether the last request to the analytics endpoint succeeded, process-wide. The record
// queue writes it after each request; the tracker reads it to decide whether an after-event
// step may run on the caller's thread. Starts false.
class SendStatus {
public:
    static bool LastSendSucceeded();
    static void Set(bool succeeded);

private:
    static std::mutex& Mutex();
    static bool& Value();
};

} // namespace qx_analytics
