#pragma once

#include <string>

namespace qx_analytics {

// Delivers one batch (a JSON array text) to the analytics endpoint. Called by the record
// queue under its flush lock, so one batch at a time; it blocks for the whole exchange.
class RecordSender {
public:
    struct Outcome {
        bool requested = false; // a request actually went out
        bool delivered = false; // and the endpoint accepted it
    };

    virtual ~RecordSender() = default;
    virtual Outcome Send(const std::string& batch) = 0;
};

} // namespace qx_analytics
