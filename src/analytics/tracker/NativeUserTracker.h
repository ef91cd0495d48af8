#pragma once

#include <cstdint>
#include <string>

namespace tarvo::tracking {

// User-profile updates: each supported profile property has one operation kind (set once,
// increment, set, append), and each setter maps its value onto the core's profile call of
// that kind. A name outside the table or a value of the wrong kind raises QxException.
class NativeUserTracker {
public:
    enum class Kind { None = 0, SetOnce = 1, Increment = 2, Set = 3, Append = 4 };

    static Kind KindOf(const std::string& name);

    static void ProfileUserPropertyString(const std::string& name, const std::string& value);
    static void ProfileUserPropertyNumber(const std::string& name, int32_t value);
    static void ProfileUserPropertyNumber(const std::string& name, double value);
    // `milliseconds` since the epoch, sent as a DateTime.
    static void ProfileUserPropertyDateTime(const std::string& name, int64_t milliseconds);
};

} // namespace tarvo::tracking
