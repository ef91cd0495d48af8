#include "analytics/core/Sdk.h"

#include "analytics/core/Checks.h"
#include "analytics/core/HttpRecordSender.h"
#include "analytics/core/RecordQueue.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace qx_analytics {

namespace {

std::mutex g_instanceLock;

int64_t NowMilliseconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr uint64_t kEpochTicks = 116444736000000000ULL; // 1970-01-01 in 100 ns units since 1601
    return static_cast<int64_t>((ticks - kEpochTicks) / 10000);
}

PropertiesNode InitialSuperProperties()
{
    PropertiesNode properties;
    properties.SetString("$lib", Sdk::kLibName);
    properties.SetString("$lib_version", Sdk::kLibVersion);
    return properties;
}

std::string LastCharacters(const std::string& text, size_t count)
{
    return text.size() <= count ? text : text.substr(text.size() - count);
}

} // namespace

// Identity and super properties change rarely (initialisation, login, locale) but are read by
// every call from any thread, so they sit behind their own small lock.
class Sdk::Instance {
public:
    Instance(std::unique_ptr<RecordSender> sender, const std::wstring& stagingPath, std::string distinctId,
             bool loginFlag)
        : queue(std::move(sender), stagingPath), m_superProperties(InitialSuperProperties()),
          m_distinctId(std::move(distinctId)), m_loginFlag(loginFlag)
    {}

    PropertiesNode SuperProperties() const
    {
        std::lock_guard lock(m_lock);
        return m_superProperties;
    }
    void RegisterSuperProperties(const PropertiesNode& properties)
    {
        std::lock_guard lock(m_lock);
        m_superProperties.Merge(properties);
    }
    void ClearSuperProperties()
    {
        std::lock_guard lock(m_lock);
        m_superProperties = InitialSuperProperties();
    }
    std::string DistinctId() const
    {
        std::lock_guard lock(m_lock);
        return m_distinctId;
    }
    bool LoginFlag() const
    {
        std::lock_guard lock(m_lock);
        return m_loginFlag;
    }
    void SetIdentity(const std::string& distinctId, bool loginFlag)
    {
        std::lock_guard lock(m_lock);
        m_distinctId = distinctId;
        m_loginFlag = loginFlag;
    }

    RecordQueue queue;

private:
    mutable std::mutex m_lock;
    PropertiesNode m_superProperties;
    std::string m_distinctId;
    bool m_loginFlag = false;
};

bool Sdk::Init(const std::wstring& stagingPath, const std::string& serverUrl, const std::string& distinctId,
               bool loginFlag, std::unique_ptr<RecordSender> sender)
{
    if (!CheckIdentifier("Distinct ID", distinctId)) return false;
    std::lock_guard lock(g_instanceLock);
    auto& slot = Slot();
    if (slot) return true;
    if (!sender) sender = std::make_unique<HttpRecordSender>(serverUrl);
    slot = std::make_shared<Instance>(std::move(sender), stagingPath, distinctId, loginFlag);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

void Sdk::Shutdown()
{
    std::shared_ptr<Instance> instance;
    {
        std::lock_guard lock(g_instanceLock);
        instance.swap(Slot());
    }
    // The instance (and its queue, which writes the staging file) goes when the last call that
    // still uses it returns.
}

bool Sdk::IsInitialised()
{
    return Current() != nullptr;
}

std::shared_ptr<Sdk::Instance> Sdk::Current()
{
    std::lock_guard lock(g_instanceLock);
    return Slot();
}

bool Sdk::Track(const std::string& eventName, const PropertiesNode& properties)
{
    return AddEvent("track", eventName, properties, "", "");
}

bool Sdk::TrackWithInstallSource(const std::string& eventName, const PropertiesNode& properties)
{
    PropertiesNode merged;
    merged.SetString("$ios_install_source", "");
    merged.Merge(properties);
    return AddEvent("track", eventName, merged, "", "");
}

bool Sdk::Login(const std::string& loginId)
{
    const auto instance = Current();
    if (!instance) return false;
    const bool queued = AddEvent("track_signup", "$SignUp", PropertiesNode(), loginId, instance->DistinctId());
    instance->SetIdentity(loginId, true);
    return queued;
}

bool Sdk::ProfileSet(const PropertiesNode& properties)
{
    return AddEvent("profile_set", "", properties, "", "");
}

bool Sdk::ProfileSet(const std::string& name, const std::string& value)
{
    PropertiesNode properties;
    properties.SetString(name, value);
    return ProfileSet(properties);
}

bool Sdk::ProfileSet(const std::string& name, int32_t value)
{
    PropertiesNode properties;
    properties.SetInt(name, value);
    return ProfileSet(properties);
}

bool Sdk::ProfileSet(const std::string& name, double value)
{
    PropertiesNode properties;
    properties.SetNumber(name, value);
    return ProfileSet(properties);
}

bool Sdk::ProfileSetOnce(const PropertiesNode& properties)
{
    return AddEvent("profile_set_once", "", properties, "", "");
}

bool Sdk::ProfileSetOnce(const std::string& name, const std::string& value)
{
    PropertiesNode properties;
    properties.SetString(name, value);
    return ProfileSetOnce(properties);
}

bool Sdk::ProfileSetOnce(const std::string& name, int32_t value)
{
    PropertiesNode properties;
    properties.SetInt(name, value);
    return ProfileSetOnce(properties);
}

bool Sdk::ProfileSetOnce(const std::string& name, double value)
{
    PropertiesNode properties;
    properties.SetNumber(name, value);
    return ProfileSetOnce(properties);
}

bool Sdk::ProfileIncrement(const PropertiesNode& properties)
{
    return AddEvent("profile_increment", "", properties, "", "");
}

bool Sdk::ProfileIncrement(const std::string& name, int32_t value)
{
    PropertiesNode properties;
    properties.SetInt(name, value);
    return ProfileIncrement(properties);
}

bool Sdk::ProfileAppend(const std::string& name, const std::string& value)
{
    PropertiesNode properties;
    properties.SetList(name, {value});
    return AddEvent("profile_append", "", properties, "", "");
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties)
{
    if (const auto instance = Current()) instance->RegisterSuperProperties(properties);
}

void Sdk::ClearSuperProperties()
{
    if (const auto instance = Current()) instance->ClearSuperProperties();
}

PropertiesNode Sdk::SuperProperties()
{
    const auto instance = Current();
    return instance ? instance->SuperProperties() : PropertiesNode();
}

bool Sdk::FlushAll()
{
    const auto instance = Current();
    return instance && instance->queue.FlushAll();
}

void Sdk::StageQueued()
{
    if (const auto instance = Current()) instance->queue.Stage();
}

std::vector<std::string> Sdk::QueuedRecords()
{
    const auto instance = Current();
    return instance ? instance->queue.Snapshot() : std::vector<std::string>();
}

int64_t Sdk::MakeTrackId(int64_t nowMilliseconds)
{
    const std::string first = LastCharacters(std::to_string(std::rand() % 99 + 100), 2);
    const std::string second = LastCharacters(std::to_string(std::rand() % 999 + 1000), 3);
    const std::string third = LastCharacters(std::to_string(nowMilliseconds), 4);
    return std::stoll(first + second + third);
}

bool Sdk::AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                   const std::string& distinctId, const std::string& originalId)
{
    const auto instance = Current();
    if (!instance) return false;
    if (!CheckProperties(properties)) return false;
    if (type == "track" && !CheckPropertyName("Event Name", eventName)) return false;
    if (type == "track_signup" && !CheckIdentifier("Original ID", originalId)) return false;

    PropertiesNode finalProperties;
    if (type.find("track") != std::string::npos) finalProperties.Merge(instance->SuperProperties());
    finalProperties.Merge(properties);

    int64_t time = 0;
    const int64_t now = NowMilliseconds();
    if (const PropertyValue* eventTime = finalProperties.Find("$time")) {
        time = eventTime->seconds * 1000 + eventTime->milliseconds;
        finalProperties.Erase("$time");
    } else {
        time = now;
    }
    std::string project;
    if (const PropertyValue* projectValue = finalProperties.Find("$project")) {
        project = projectValue->text;
        finalProperties.Erase("$project");
    }
    if (instance->LoginFlag()) finalProperties.SetBool("$is_login_id", true);

    utils::ObjectNode lib;
    lib.SetString("$lib", kLibName);
    lib.SetString("$lib_version", kLibVersion);
    lib.SetString("$lib_method", "code");

    utils::ObjectNode record;
    record.SetString("type", type);
    record.SetInt64("time", time);
    record.SetString("distinct_id", distinctId.empty() ? instance->DistinctId() : distinctId);
    record.SetObject("properties", finalProperties);
    record.SetObject("lib", lib);
    record.SetInt64("_track_id", MakeTrackId(now));
    if (!project.empty()) record.SetString("project", project);
    if (type == "track" || type == "track_signup") record.SetString("event", eventName);
    if (type == "track_signup") record.SetString("original_id", originalId);
    instance->queue.Send(record);
    return true;
}

std::shared_ptr<Sdk::Instance>& Sdk::Slot()
{
    // Never destroyed: an instance still alive at exit is abandoned, not torn down during static
    // destruction.
    static auto* slot = new std::shared_ptr<Instance>;
    return *slot;
}

} // namespace qx_analytics
