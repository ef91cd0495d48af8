#include "analytics/tracker/QxEnumTexts.h"

#include "analytics/tracker/QxException.h"

#include <initializer_list>
#include <vector>

namespace tarvo::tracking {

namespace {

constexpr char kSource[] = "UsageTrackerImpl";

template <class Enum>
std::string Lookup(Enum value, int first, std::initializer_list<const char*> texts, const std::string& unknown,
                   const char* function)
{
    const int index = static_cast<int>(value) - first;
    const std::vector<const char*> table(texts);
    if (index < 0 || index >= static_cast<int>(table.size())) QX_THROW(kSource, function, unknown);
    return table[static_cast<size_t>(index)];
}

std::string Bracketed(const char* prefix, int value)
{
    return std::string(prefix) + " [" + std::to_string(value) + "]!";
}

} // namespace

std::string EventTypeText(int type)
{
    static const char* const kTexts[] = {"Activity", "PaLaunchPal", "Login",  "Click",   "View",
                                         "Cashier",  "Share",       "Task",   "File",    "Order",
                                         "Payment",  "Uninstall",   "Update", "Crashed", "AppOpenNotification"};
    if (type < 0 || type >= kEventTypeCount) return Bracketed("Unknown Event", type);
    return kTexts[type];
}

std::string UserTypeText(QxUserType value, const char* function)
{
    return Lookup(value, 0,
                  {"unknown", "mobilephone", "email", "weixin", "qq", "deviceid", "baidu", "huawei", "apple",
                   "tarvouserid", "google", "facebook"},
                  Bracketed("Unknown user type", static_cast<int>(value)), function);
}

std::string ResultText(QxResult value, const char* function)
{
    return Lookup(value, 0, {"Success", "Cancelled", "Fail", "Unknown"},
                  Bracketed("Unknown task result", static_cast<int>(value)), function);
}

std::string ClickTypeText(QxClickType value, const char* function)
{
    return Lookup(value, 0, {"Button", "Banner", "Tutorial", "File", "Others"},
                  Bracketed("Unknown ClickType", static_cast<int>(value)), function);
}

std::string FileDirectionText(QxFileDirection value, const char* function)
{
    return Lookup(value, 0, {"Input", "Output"}, "the io type is invalid", function);
}

std::string CurrencyText(QxCurrency value, const char* function)
{
    return Lookup(value, 0, {"CNY", "USD", "EUR", "HKD", "TWD", "MOP", "SGD", "JPY", "KRW", "INR", "GBP"},
                  Bracketed("Unknown currency", static_cast<int>(value)), function);
}

std::string PaidPlatformText(QxPaidPlatform value, const char* function)
{
    return Lookup(value, 0,
                  {"Alipay", "WeChatPay", "PayPal", "Tenpay", "CIECC", "GooglePay", "HuaweiPay", "AppleIAP", "Paddle",
                   "ChinaUnionPay"},
                  Bracketed("Unknown paid platform", static_cast<int>(value)), function);
}

std::string IapTypeText(QxIapType value, const char* function)
{
    return Lookup(value, 1, {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"},
                  Bracketed("Unknown qxIapType", static_cast<int>(value)), function);
}

std::string UpdateOpText(QxUpdateOp value, const char* function)
{
    return Lookup(value, 0, {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart", "UpgrateEnd"},
                  Bracketed("Unknown QxUpdateOp", static_cast<int>(value)), function);
}

std::string UpdateResultText(QxUpdateResult value, const char* function)
{
    return Lookup(value, 0, {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"},
                  "Unknown updateResultInfo info", function);
}

std::string EditionText(QxEdition value, const char* function)
{
    return Lookup(value, 0, {"china", "overseas"}, Bracketed("Unknown edition", static_cast<int>(value)), function);
}

} // namespace tarvo::tracking
