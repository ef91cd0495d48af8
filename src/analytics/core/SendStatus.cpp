#include "analytics/core/SendStatus.h"

namespace qx_analytics {

bool SendStatus::LastSendSucceeded()
{
    std::lock_guard lock(Mutex());
    return Value();
}

void SendStatus::Set(bool succeeded)
{
    std::lock_guard lock(Mutex());
    Value() = succeeded;
}

std::mutex& SendStatus::Mutex()
{
    static std::mutex mutex;
    return mutex;
}

bool& SendStatus::Value()
{
    static bool value = false;
    return value;
}

} // namespace qx_analytics
