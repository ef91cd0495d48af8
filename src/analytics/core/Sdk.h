#pragma once

#include "analytics/core/PropertiesNode.h"
#include "analytics/core/RecordSender.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qx_analytics {

class RecordQueue;

// The process-wide analytics client: turns track and profile calls into JSON records and
// queues them. Every operation is a silent no-op (returning false) until Init has succeeded
// and again after Shutdown. Calls may come from any thread: each builds its record in local
// collections and only appends it to the queue under a short lock.
class Sdk {
public:
    static constexpr char kLibName[] = "cpp";
    static constexpr char kLibVersion[] = "0.9";

    // Creates the instance unless one exists (then nothing changes and the result is true).
    // False when `distinctId` fails the identifier check. `sender` replaces the HTTP sender
    // built from `serverUrl` (tests and benchmarks).
    static bool Init(const std::wstring& stagingPath, const std::string& serverUrl, const std::string& distinctId,
                     bool loginFlag, std::unique_ptr<RecordSender> sender = nullptr);
    // Destroys the instance; its queue writes what is still queued to the staging file.
    static void Shutdown();
    static bool IsInitialised();

    static bool Track(const std::string& eventName, const PropertiesNode& properties);
    static bool TrackWithInstallSource(const std::string& eventName, const PropertiesNode& properties);
    static bool Login(const std::string& loginId);

    static bool ProfileSet(const PropertiesNode& properties);
    static bool ProfileSet(const std::string& name, const std::string& value);
    static bool ProfileSet(const std::string& name, int32_t value);
    static bool ProfileSet(const std::string& name, double value);
    static bool ProfileSetOnce(const PropertiesNode& properties);
    static bool ProfileSetOnce(const std::string& name, const std::string& value);
    static bool ProfileSetOnce(const std::string& name, int32_t value);
    static bool ProfileSetOnce(const std::string& name, double value);
    static bool ProfileIncrement(const PropertiesNode& properties);
    static bool ProfileIncrement(const std::string& name, int32_t value);
    static bool ProfileAppend(const std::string& name, const std::string& value);

    static void RegisterSuperProperties(const PropertiesNode& properties);
    static void ClearSuperProperties();
    static PropertiesNode SuperProperties();

    // Blocks for the requests; false when a batch failed or there is no instance.
    static bool FlushAll();
    // Writes the queued records to the staging file, keeping them queued.
    static void StageQueued();
    // The queued record texts, oldest first (diagnostics and tests).
    static std::vector<std::string> QueuedRecords();

    // "_track_id": two random digits, three random digits and the last four digits of
    // `nowMilliseconds`, read as one decimal number.
    static int64_t MakeTrackId(int64_t nowMilliseconds);

private:
    class Instance;
    static std::shared_ptr<Instance>& Slot();
    static std::shared_ptr<Instance> Current();
    // Empty `distinctId`: the instance's own.
    static bool AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                         const std::string& distinctId, const std::string& originalId);
};

} // namespace qx_analytics
