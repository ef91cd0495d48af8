#include "analytics/tracker/NativeUserTracker.h"

#include "analytics/core/PropertiesNode.h"
#include "analytics/core/Sdk.h"
#include "analytics/tracker/QxException.h"

#include <unordered_map>

namespace tarvo::tracking {

namespace {

constexpr char kSource[] = "NativeUserTracker";
using Kind = NativeUserTracker::Kind;
using qx_analytics::Sdk;

const std::unordered_map<std::string, Kind>& Table()
{
    static const std::unordered_map<std::string, Kind> table = [] {
        std::unordered_map<std::string, Kind> entries;
        for (const char* name :
             {"$first_visit_time", "qx_first_visit_date", "$ios_install_source", "qx_first_paid_date"})
            entries[name] = Kind::SetOnce;
        for (const char* name : {"qx_visit_count", "qx_paid_count", "qx_consumption"}) entries[name] = Kind::Increment;
        for (const char* name : {"qx_label",
                                 "qx_os",
                                 "qx_os_version",
                                 "qx_manufacturer",
                                 "qx_model",
                                 "qx_app_store",
                                 "qx_app_platform",
                                 "qx_last_app_id",
                                 "qx_last_app_version",
                                 "qx_carrier",
                                 "qx_last_visit_date",
                                 "aurora_pushid",
                                 "qx_user_id",
                                 "qx_user_name",
                                 "qx_user_type",
                                 "qx_user_nickname",
                                 "qx_user_portrait",
                                 "qx_user_mobilephone",
                                 "qx_user_email",
                                 "qx_user_weixin",
                                 "qx_user_qq",
                                 "qx_user_did",
                                 "qx_user_created",
                                 "qx_user_last_login",
                                 "qx_user_last_ip",
                                 "qx_user_vip_level",
                                 "qx_user_vip_enddate",
                                 "idfa",
                                 "imei",
                                 "android_id",
                                 "oaid",
                                 "qx_ip",
                                 "qx_country_code",
                                 "qx_country",
                                 "qx_province",
                                 "qx_city",
                                 "qx_last_paid_date"})
            entries[name] = Kind::Set;
        return entries;
    }();
    return table;
}

[[noreturn]] void Unsupported(const std::string& name, const char* function)
{
    QX_THROW(kSource, function, "Not supported user property [" + name + "]!");
}

template <class Value> void SetNumber(const std::string& name, Value value, const char* function)
{
    switch (NativeUserTracker::KindOf(name)) {
    case Kind::SetOnce: Sdk::ProfileSetOnce(name, value); break;
    case Kind::Set: Sdk::ProfileSet(name, value); break;
    case Kind::Increment: {
        qx_analytics::PropertiesNode properties;
        if constexpr (std::is_same_v<Value, double>)
            properties.SetNumber(name, value);
        else
            properties.SetInt(name, value);
        Sdk::ProfileIncrement(properties);
        break;
    }
    case Kind::Append:
        QX_THROW(kSource, function, "user property [" + name + "] is number value, it cannot be append to list!");
    case Kind::None: Unsupported(name, function);
    }
}

} // namespace

NativeUserTracker::Kind NativeUserTracker::KindOf(const std::string& name)
{
    const auto found = Table().find(name);
    return found == Table().end() ? Kind::None : found->second;
}

void NativeUserTracker::ProfileUserPropertyString(const std::string& name, const std::string& value)
{
    constexpr char kFunction[] = "ProfileUserPropertyString";
    switch (KindOf(name)) {
    case Kind::SetOnce: Sdk::ProfileSetOnce(name, value); break;
    case Kind::Set: Sdk::ProfileSet(name, value); break;
    case Kind::Append: Sdk::ProfileAppend(name, value); break;
    case Kind::Increment:
        QX_THROW(kSource, kFunction, "user property [" + name + "] is string type value, it cannot be accumulated!");
    case Kind::None: Unsupported(name, kFunction);
    }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& name, int32_t value)
{
    SetNumber(name, value, "ProfileUserPropertyNumber");
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& name, double value)
{
    SetNumber(name, value, "ProfileUserPropertyNumber");
}

void NativeUserTracker::ProfileUserPropertyDateTime(const std::string& name, int64_t milliseconds)
{
    constexpr char kFunction[] = "ProfileUserPropertyDateTime";
    qx_analytics::PropertiesNode properties;
    properties.SetDateTime(name, milliseconds / 1000, static_cast<int>(milliseconds % 1000));
    switch (KindOf(name)) {
    case Kind::SetOnce: Sdk::ProfileSetOnce(properties); break;
    case Kind::Set: Sdk::ProfileSet(properties); break;
    case Kind::Increment:
        QX_THROW(kSource, kFunction, "user property [" + name + "] is boolean value, it cannot be accumulative!");
    case Kind::Append:
        QX_THROW(kSource, kFunction, "user property [" + name + "] is datetime value, it cannot be append to list!");
    case Kind::None: Unsupported(name, kFunction);
    }
}

} // namespace tarvo::tracking
