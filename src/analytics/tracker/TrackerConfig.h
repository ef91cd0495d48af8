#pragma once

#include "analytics/tracker/QxEvents.h"

#include <string>

namespace tarvo::tracking {

// What a tracker is built from. Texts are UTF-8.
struct TrackerConfig {
    std::string appName;
    std::string appVersion;
    std::string appStore;
    std::string dlAppId;
    std::string dlAppVersion;
    std::string logFilePath; // empty: data folder + app name + "_QXSLog.txt"
    QxEdition edition = QxEdition::China;
    std::string serverUrl; // empty: the default endpoint
};

} // namespace tarvo::tracking
