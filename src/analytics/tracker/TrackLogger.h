#pragma once

namespace tarvo::tracking {

// The tracker's per-application log file. The tracker writes no events to it; its presence
// tells the wrapper that the tracker was initialised far enough to report failures.
class TrackLogger {
public:
    virtual ~TrackLogger() = default;
    virtual bool IsOpen() const = 0;
};

} // namespace tarvo::tracking
