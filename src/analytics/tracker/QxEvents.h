#pragma once

// The tracker's enumerations and the plain event records handed to its operations. Strings
// are narrow (UTF-8, or ANSI text the tracker converts); optional members are null when absent.

#include <cstdint>
#include <memory>
#include <string>

namespace tarvo::tracking {

enum class QxEventType {
    Activity = 0,
    Launch = 1,
    Login = 2,
    Click = 3,
    View = 4,
    Cashier = 5,
    Share = 6,
    Task = 7,
    File = 8,
    Order = 9,
    Payment = 10,
    Uninstall = 11,
    Update = 12,
    Crashed = 13,
    AppOpenNotification = 14,
};
inline constexpr int kEventTypeCount = 15;

enum class QxUserType {
    Unknown,
    MobilePhone,
    Email,
    Weixin,
    QQ,
    DeviceId,
    Baidu,
    Huawei,
    Apple,
    TarvoUserId,
    Google,
    Facebook
};
enum class QxResult { Success = 0, Cancelled = 1, Fail = 2, Unknown = 3 };
enum class QxClickType { Button = 0, Banner = 1, Tutorial = 2, File = 3, Others = 4 };
enum class QxFileDirection { Input = 0, Output = 1 };
enum class QxCurrency { CNY, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };
enum class QxPaidPlatform {
    Alipay,
    WeChatPay,
    PayPal,
    Tenpay,
    CIECC,
    GooglePay,
    HuaweiPay,
    AppleIAP,
    Paddle,
    ChinaUnionPay
};
enum class QxIapType { Consumable = 1, NonConsumable = 2, AutoRenewable = 3, NonRenewable = 4 };
enum class QxUpdateOp { UpdateCheck = 0, DownloadStart = 1, DownloadEnd = 2, UpgrateStart = 3, UpgrateEnd = 4 };
enum class QxUpdateResult { Success, Cancelled, Timeout, Fail, Latest, Updateable };
enum class QxEdition { China = 0, Overseas = 1 };

struct QxEventClick {
    std::string aname, name;
    QxClickType clickType = QxClickType::Button;
    std::string title, module, position;
    std::shared_ptr<int> tabIndex;
    std::string tabName;
    std::shared_ptr<int> bannerIndex;
    std::string bannerName;
};

struct QxEventView {
    std::string aname, name, title, position;
};

struct QxEventCashier {
    std::string cashierName, cashierTitle, subitem;
};

struct QxEventShare {
    std::string aname, channel, position, sharedName;
    std::shared_ptr<QxResult> result;
};

struct QxEventTask {
    std::string aname, name, reason;
    std::shared_ptr<float> elapsed;
    std::shared_ptr<QxResult> result;
};

struct QxEventFile {
    std::string aname, name;
    std::shared_ptr<QxFileDirection> direction;
    std::string extension;
    std::shared_ptr<float> size;
    std::shared_ptr<int> duration;
    std::shared_ptr<float> fps, bps;
    std::shared_ptr<int> width, height, depth;
    std::shared_ptr<QxResult> result;
};

struct QxEventOrder {
    std::string orderId, subitem, sku, suitId;
    std::shared_ptr<QxCurrency> currency;
    float originalAmount = 0;
    std::string voucherId;
    float paidAmount = 0;
    std::string cashierName, cashierTitle;
    std::shared_ptr<int> campaignCode;
    float currentOriginalAmount = 0, currentPaidAmount = 0;
};

struct QxEventPayment {
    std::string orderId, subitem, sku;
    std::shared_ptr<QxCurrency> currency;
    float originalAmount = 0;
    std::shared_ptr<int> campaignCode;
    std::string voucherId, usedVoucherId;
    float paidAmount = 0;
    std::string suitId, cashierName, cashierTitle;
    std::shared_ptr<QxPaidPlatform> paidPlatform;
    std::shared_ptr<QxResult> result;
    std::shared_ptr<QxIapType> iapType;
    float currentOriginalAmount = 0, currentPaidAmount = 0;
};

struct QxEventUpdate {
    QxUpdateOp step = QxUpdateOp::UpdateCheck;
    std::shared_ptr<QxUpdateResult> result;
    std::shared_ptr<float> elapsed;
};

struct AppOpenNotification {
    std::string msgTitle, msgContent, linkUrl, planId, audienceId, planStrategyId, planType, strategyUnitId;
};

struct QxUserInfo {
    std::string userId, userName;
    QxUserType userType = QxUserType::Unknown;
    std::string nickname, portrait, mobilePhone, email, weixin, qq, deviceId;
    int64_t createdTime = -1, lastLoginTime = -1; // seconds; negative: absent
    std::string lastIp;
    int vipLevel = 0;
    int64_t vipEndDate = -1;
};

} // namespace tarvo::tracking
