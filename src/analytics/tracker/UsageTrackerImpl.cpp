#include "analytics/tracker/UsageTrackerImpl.h"

#include "analytics/core/PropertiesNode.h"
#include "analytics/core/Sdk.h"
#include "analytics/tracker/DeviceDescription.h"
#include "analytics/tracker/NativeUserTracker.h"
#include "analytics/tracker/QxEnumTexts.h"
#include "analytics/tracker/QxException.h"
#include "analytics/tracker/TextNormalizer.h"
#include "utils/Text.h"

#include <windows.h>

namespace tarvo::tracking {

namespace {

constexpr char kSource[] = "UsageTrackerImpl";
using qx_analytics::PropertiesNode;
using qx_analytics::Sdk;
using Mode = FlushScheduler::Mode;

int64_t NowMilliseconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>((ticks - 116444736000000000ULL) / 10000);
}

void SetIfSet(PropertiesNode& properties, const char* name, const std::string& value)
{
    if (!value.empty()) properties.SetString(name, NormalizeText(value));
}

// Results the task and file records carry: Success, Cancelled and Fail only.
bool IsReportableResult(const std::shared_ptr<QxResult>& result)
{
    return result && static_cast<int>(*result) >= 0 && static_cast<int>(*result) <= 2;
}

} // namespace

UsageTrackerImpl::UsageTrackerImpl(const TrackerConfig& config, std::wstring executableFolder)
    : m_serverUrl(NormalizeText(config.serverUrl)), m_appName(NormalizeText(config.appName)),
      m_appVersion(NormalizeText(config.appVersion)), m_appStore(NormalizeText(config.appStore)),
      m_dlAppId(NormalizeText(config.dlAppId)), m_dlAppVersion(NormalizeText(config.dlAppVersion)),
      m_edition(config.edition), m_state(std::make_unique<LocalState>()),
      m_configuredLogPath(NormalizeText(config.logFilePath)), m_executableFolder(std::move(executableFolder))
{}

UsageTrackerImpl::~UsageTrackerImpl()
{
    m_scheduler.WaitForDetachedSteps();
    m_state->Save();
    m_scheduler.ShutdownFlush();
    Sdk::Shutdown();
    m_logger.reset();
}

void UsageTrackerImpl::init()
{
    if (m_appName.empty()) QX_THROW(kSource, "init", "appName is empty");
    if (m_appVersion.empty()) QX_THROW(kSource, "init", "appVersion is empty");
    if (m_appStore.empty()) QX_THROW(kSource, "init", "appStore is empty");
    m_scheduler.ResetPending();

    m_state->LocateFiles(m_executableFolder.empty() ? LocalState::ExecutableFolder() : m_executableFolder, m_appName);
    if (m_serverUrl.empty()) m_serverUrl = kDefaultServerUrl;

    m_state->Load();
    if (m_state->serverUrl != m_serverUrl || m_state->distinctId.empty()) m_state->ResetForServer(m_serverUrl);
    if (m_state->userId.empty()) m_state->loggedIn = false;

    const std::wstring dataFolder = m_state->dataFolder;
    m_state->logFilePath = m_configuredLogPath.empty()
                               ? Utils::ToNarrow(dataFolder, CP_UTF8) + m_appName + "_" + LocalState::kLogFileName
                               : m_configuredLogPath;
    m_logger = std::make_unique<NativeTrackLogger>(Utils::ToWide(m_state->logFilePath, CP_UTF8));

    const std::wstring stagingFile =
        dataFolder + Utils::ToWide(m_appName + "_" + LocalState::kRecordsFileName, CP_UTF8);
    const std::string& identity = m_state->loggedIn ? m_state->userId : m_state->distinctId;
    if (!Sdk::Init(stagingFile, m_serverUrl, identity, m_state->loggedIn))
        QX_THROW(kSource, "init", "qx_analytics::Sdk::Init is failed");

    RegisterCommonProperties();
    m_state->WriteUninstallInfo(m_appStore, m_appName, m_appVersion);
}

void UsageTrackerImpl::RegisterCommonProperties()
{
    PropertiesNode common;
    common.SetString("qx_app_id", m_appName);
    common.SetString("$app_version", m_appVersion);
    common.SetString("$app_id", m_appName);
    common.SetString("qx_app_store", m_appStore);
    common.SetString("qx_edition", EditionText(m_edition, "init"));
    if (!m_dlAppId.empty()) common.SetString("qx_dlapp_id", m_dlAppId);
    if (!m_dlAppVersion.empty()) common.SetString("qx_dlapp_version", m_dlAppVersion);
    common.SetString("qx_app_platform", kPlatform);
    common.SetString("qx_track_type", kTrackType);
    common.SetString("qx_sdk_version", kSdkVersion);
    common.SetString("qx_sdk", kSdkKind);
    common.SetString("$os", DeviceDescription::kOsName);
    common.SetString("$os_version", DeviceDescription::CurrentOsVersion());
    const DeviceDescription::Locale locale = DeviceDescription::ResolveLocale(m_state->locale);
    common.SetString("qx_l10n_locale", locale.locale);
    common.SetString("qx_l10n_language", locale.language);
    common.SetString("qx_l10n_country", locale.country);
    common.SetInt("$screen_height", DeviceDescription::ScreenHeight());
    common.SetInt("$screen_width", DeviceDescription::ScreenWidth());
    if (!m_state->userId.empty()) common.SetString("qx_user_id", m_state->userId);
    Sdk::RegisterSuperProperties(common);
}

void UsageTrackerImpl::RegisterLocale()
{
    const DeviceDescription::Locale locale = DeviceDescription::ResolveLocale(m_state->locale);
    PropertiesNode properties;
    properties.SetString("qx_l10n_locale", locale.locale);
    properties.SetString("qx_l10n_language", locale.language);
    properties.SetString("qx_l10n_country", locale.country);
    Sdk::RegisterSuperProperties(properties);
}

void UsageTrackerImpl::Send(const std::string& eventName, QxEventType type, PropertiesNode& properties,
                            const QxContextProperties& context)
{
    context.MergeInto(type, properties);
    Sdk::Track(eventName, properties);
}

void UsageTrackerImpl::SetVisitDates(int64_t now)
{
    NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_first_visit_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_last_visit_date", now);
}

void UsageTrackerImpl::trackActivity(const QxContextProperties& context)
{
    PropertiesNode properties;
    SetIfSet(properties, "qx_app_store", m_appStore);
    SetIfSet(properties, "qx_app_id", m_appName);
    SetIfSet(properties, "$app_id", m_appName);
    SetIfSet(properties, "$app_version", m_appVersion);
    properties.SetString("$ios_install_source", kInstallSource);
    SetIfSet(properties, "$user_agent", DeviceDescription::CurrentUserAgent());
    properties.SetBool("$is_first_time", true);
    const std::string osVersion = DeviceDescription::CurrentOsVersion();
    properties.SetString("$os", DeviceDescription::kOsName);
    properties.SetString("$os_version", osVersion);
    context.MergeInto(QxEventType::Activity, properties);
    Sdk::TrackWithInstallSource("QxEventActivity", properties);

    SetVisitDates(NowMilliseconds());
    NativeUserTracker::ProfileUserPropertyString("qx_os", DeviceDescription::kOsName);
    NativeUserTracker::ProfileUserPropertyString("qx_os_version", osVersion);
    NativeUserTracker::ProfileUserPropertyString("qx_app_store", m_appStore);
    NativeUserTracker::ProfileUserPropertyString("qx_app_platform", kPlatform);
    NativeUserTracker::ProfileUserPropertyString("qx_last_app_id", m_appName);
    NativeUserTracker::ProfileUserPropertyString("qx_last_app_version", m_appVersion);
    NativeUserTracker::ProfileUserPropertyString("$ios_install_source", kInstallSource);
    m_scheduler.AddPending(9);
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackLaunch(const QxContextProperties& context)
{
    PropertiesNode properties;
    Send("QxEventLaunch", QxEventType::Launch, properties, context);
    if (!m_state->userId.empty()) {
        SetVisitDates(NowMilliseconds());
        m_scheduler.AddPending(4);
    }
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackLogin(const QxUserInfo& user, bool success, const std::string& reason,
                                  const QxContextProperties& context)
{
    const std::string userId = NormalizeText(user.userId);
    PropertiesNode properties;
    if (!userId.empty()) {
        properties.SetString("qx_user_id", userId);
        properties.SetString("qx_login_id", userId);
    }
    properties.SetString("qx_type", UserTypeText(user.userType, "trackLogin"));
    properties.SetString("qx_result", success ? "Success" : "Fail");
    SetIfSet(properties, "qx_reason", reason);
    if (!userId.empty()) properties.SetBool("$is_first_time", true);
    Send("QxEventLogin", QxEventType::Login, properties, context);

    if (!userId.empty()) {
        std::lock_guard lock(m_stateLock);
        m_state->vipLevel = user.vipLevel;
        if (!m_state->loggedIn || m_state->userId.empty()) {
            Sdk::Login(userId);
            m_state->loggedIn = true;
            m_state->userId = userId;
            m_state->distinctId = userId;
            PropertiesNode userProperty;
            userProperty.SetString("qx_user_id", userId);
            Sdk::RegisterSuperProperties(userProperty);
        }
        m_state->Save();
    }
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackClick(const QxEventClick& event, const QxContextProperties& context)
{
    if (event.name.empty()) QX_THROW(kSource, "trackClick", "qxEventClick.name is empty");
    PropertiesNode properties;
    properties.SetString("qx_name", NormalizeText(event.name));
    properties.SetString("qx_click_type", ClickTypeText(event.clickType, "trackClick"));
    SetIfSet(properties, "qx_aname", event.aname);
    SetIfSet(properties, "qx_title", event.title);
    SetIfSet(properties, "qx_position", event.position);
    SetIfSet(properties, "qx_module", event.module);
    SetIfSet(properties, "qx_tab_name", event.tabName);
    SetIfSet(properties, "qx_banner_name", event.bannerName);
    if (event.tabIndex) properties.SetInt("qx_tab_index", *event.tabIndex);
    if (event.bannerIndex) properties.SetInt("qx_banner_index", *event.bannerIndex);
    properties.SetBool("$is_first_time", true);
    Send("QxEventClick", QxEventType::Click, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackView(const QxEventView& event, const QxContextProperties& context)
{
    if (event.name.empty()) QX_THROW(kSource, "trackView", "qxEventView.name is empty");
    PropertiesNode properties;
    properties.SetString("qx_name", NormalizeText(event.name));
    SetIfSet(properties, "qx_aname", event.aname);
    SetIfSet(properties, "qx_title", event.title);
    SetIfSet(properties, "qx_position", event.position);
    properties.SetBool("$is_first_time", true);
    Send("QxEventView", QxEventType::View, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackCashier(const QxEventCashier& event, const QxContextProperties& context)
{
    if (event.cashierName.empty()) QX_THROW(kSource, "trackCashier", "qxEventCashier.qx_cashier_name is empty");
    PropertiesNode properties;
    properties.SetString("qx_cashier_name", NormalizeText(event.cashierName));
    SetIfSet(properties, "qx_cashier_title", event.cashierTitle);
    SetIfSet(properties, "qx_subitem", event.subitem);
    properties.SetBool("$is_first_time", true);
    Send("QxEventCashier", QxEventType::Cashier, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackShare(const QxEventShare& event, const QxContextProperties& context)
{
    PropertiesNode properties;
    SetIfSet(properties, "qx_aname", event.aname);
    SetIfSet(properties, "qx_channel", event.channel);
    SetIfSet(properties, "qx_position", event.position);
    SetIfSet(properties, "qx_shared_name", event.sharedName);
    if (event.result) properties.SetString("qx_result", ResultText(*event.result, "trackShare"));
    properties.SetBool("$is_first_time", true);
    Send("QxEventShare", QxEventType::Share, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackTask(const QxEventTask& event, const QxContextProperties& context)
{
    if (event.name.empty()) QX_THROW(kSource, "trackTask", "qxEventTask.name is empty");
    PropertiesNode properties;
    properties.SetString("qx_task_name", NormalizeText(event.name));
    if (event.elapsed) properties.SetNumber("qx_task_elapsed", *event.elapsed);
    if (IsReportableResult(event.result))
        properties.SetString("qx_task_result", ResultText(*event.result, "trackTask"));
    SetIfSet(properties, "qx_aname", event.aname);
    SetIfSet(properties, "qx_reason", event.reason);
    properties.SetBool("$is_first_time", true);
    Send("QxEventTask", QxEventType::Task, properties, context);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackFile(const QxEventFile& event, const QxContextProperties& context)
{
    if (event.aname.empty()) QX_THROW(kSource, "trackFile", "qxEventFile.aname is empty");
    PropertiesNode properties;
    properties.SetString("qx_aname", NormalizeText(event.aname));
    if (event.direction) properties.SetString("qx_io", FileDirectionText(*event.direction, "trackFile"));
    if (IsReportableResult(event.result)) properties.SetString("qx_result", ResultText(*event.result, "trackFile"));
    SetIfSet(properties, "qx_name", event.name);
    SetIfSet(properties, "qx_ext", event.extension);
    if (event.size && *event.size > 0) properties.SetNumber("qx_size", *event.size);
    if (event.duration) properties.SetInt("qx_duration", *event.duration);
    if (event.width) properties.SetInt("qx_width", *event.width);
    if (event.height) properties.SetInt("qx_height", *event.height);
    if (event.depth) properties.SetInt("qx_depth", *event.depth);
    if (event.fps) properties.SetNumber("qx_fps", *event.fps);
    if (event.bps) properties.SetNumber("qx_bps", *event.bps);
    properties.SetBool("$is_first_time", true);
    Send("QxEventFile", QxEventType::File, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackOrder(const QxEventOrder& event, const QxContextProperties& context)
{
    if (event.suitId.empty()) QX_THROW(kSource, "trackOrder", "qxEventOrder.qxSuitId is empty");
    if (!event.currency) QX_THROW(kSource, "trackOrder", "qxEventOrder.qxCurrency is nullptr");
    if (event.originalAmount <= 0) QX_THROW(kSource, "trackOrder", "qxEventOrder.originalAmount is less than zero");
    if (event.paidAmount <= 0) QX_THROW(kSource, "trackOrder", "qxEventOrder.paidAmount is less than zero");
    PropertiesNode properties;
    properties.SetString("qx_suit_id", NormalizeText(event.suitId));
    properties.SetString("qx_currency", CurrencyText(*event.currency, "trackOrder"));
    properties.SetNumber("qx_paid_amount", event.paidAmount);
    properties.SetNumber("qx_original_amount", event.originalAmount);
    properties.SetBool("$is_first_time", true);
    SetIfSet(properties, "qx_order_id", event.orderId);
    SetIfSet(properties, "qx_subitem", event.subitem);
    SetIfSet(properties, "qx_sku", event.sku);
    SetIfSet(properties, "qx_voucher_id", event.voucherId);
    SetIfSet(properties, "qx_cashier_name", event.cashierName);
    SetIfSet(properties, "qx_cashier_title", event.cashierTitle);
    if (event.campaignCode) properties.SetInt("qx_campaign_code", *event.campaignCode);
    if (event.currentOriginalAmount > 0) properties.SetNumber("qx_cur_original_amount", event.currentOriginalAmount);
    if (event.currentPaidAmount > 0) properties.SetNumber("qx_cur_paid_amount", event.currentPaidAmount);
    Send("QxEventOrder", QxEventType::Order, properties, context);
    m_scheduler.AddPending(1);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::trackPayment(const QxEventPayment& event, const QxContextProperties& context)
{
    constexpr char kFunction[] = "trackPayment";
    if (event.orderId.empty()) QX_THROW(kSource, kFunction, "qxEventPayment.qxOrderId is empty");
    if (event.paidAmount < 0)
        QX_THROW(kSource, kFunction, "paidAmount = " + std::to_string(event.paidAmount) + " is invalid");
    if (event.originalAmount < 0)
        QX_THROW(kSource, kFunction, "originalAmount = " + std::to_string(event.originalAmount) + " is invalid");
    if (!event.result || (*event.result != QxResult::Success && *event.result != QxResult::Fail))
        QX_THROW(kSource, kFunction, "qxEventPayment.result is invalid");
    if (!event.paidPlatform) QX_THROW(kSource, kFunction, "qxEventPayment.paidPlatform is nullptr");
    if (!event.currency) QX_THROW(kSource, kFunction, "qxEventPayment.qxCurrency is nullptr");

    PropertiesNode properties;
    properties.SetString("qx_order_id", NormalizeText(event.orderId));
    properties.SetString("qx_paid_platform", PaidPlatformText(*event.paidPlatform, kFunction));
    properties.SetString("qx_currency", CurrencyText(*event.currency, kFunction));
    properties.SetNumber("qx_paid_amount", event.paidAmount);
    properties.SetNumber("qx_original_amount", event.originalAmount);
    properties.SetString("qx_result", ResultText(*event.result, kFunction));
    properties.SetBool("$is_first_time", true);
    SetIfSet(properties, "qx_suit_id", event.suitId);
    SetIfSet(properties, "qx_subitem", event.subitem);
    SetIfSet(properties, "qx_sku", event.sku);
    SetIfSet(properties, "qx_voucher_id", event.voucherId);
    SetIfSet(properties, "qx_used_voucher_id", event.usedVoucherId);
    SetIfSet(properties, "qx_cashier_name", event.cashierName);
    SetIfSet(properties, "qx_cashier_title", event.cashierTitle);
    if (event.iapType) properties.SetString("qx_iap_type", IapTypeText(*event.iapType, kFunction));
    if (event.campaignCode) properties.SetInt("qx_campaign_code", *event.campaignCode);
    if (event.currentOriginalAmount > 0) properties.SetNumber("qx_cur_original_amount", event.currentOriginalAmount);
    if (event.currentPaidAmount > 0) properties.SetNumber("qx_cur_paid_amount", event.currentPaidAmount);
    Send("QxEventPayment", QxEventType::Payment, properties, context);

    const int64_t now = NowMilliseconds();
    NativeUserTracker::ProfileUserPropertyNumber("qx_paid_count", 1);
    NativeUserTracker::ProfileUserPropertyNumber("qx_consumption", static_cast<double>(event.paidAmount));
    NativeUserTracker::ProfileUserPropertyDateTime("qx_first_paid_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("qx_last_paid_date", now);
    m_scheduler.AddPending(4);
    if (*event.result == QxResult::Success) {
        std::lock_guard lock(m_stateLock);
        m_state->vipLevel = 1;
        m_state->Save();
    }
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackUninstall(const std::string& reason, const QxContextProperties& context)
{
    PropertiesNode properties;
    SetIfSet(properties, "qx_uninstall_reason", reason);
    Send("QxEventUninstall", QxEventType::Uninstall, properties, context);
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackCrash(const std::string& reason)
{
    PropertiesNode properties;
    SetIfSet(properties, "app_crashed_reason", reason);
    Sdk::Track("AppCrashed", properties);
    // A crashing process never reaches the release flush: the crash record counts as pending so
    // it leaves now even when nothing else is queued, the flush runs on this thread (a detached
    // one would die with the process), and what cannot be sent is staged for the next run.
    m_scheduler.AddPending(1);
    m_scheduler.FlushNowOnThisThread();
    if (m_scheduler.Pending() > 0) Sdk::StageQueued();
}

void UsageTrackerImpl::trackUpdate(const QxEventUpdate& event, const QxContextProperties& context)
{
    constexpr char kFunction[] = "trackUpdate";
    PropertiesNode properties;
    properties.SetString("qx_update_op", UpdateOpText(event.step, kFunction));
    switch (event.step) {
    case QxUpdateOp::UpdateCheck:
        properties.SetString("qx_update_result", event.result ? UpdateResultText(*event.result, kFunction) : "");
        break;
    case QxUpdateOp::DownloadEnd:
    case QxUpdateOp::UpgrateEnd:
        if (!event.result) QX_THROW(kSource, kFunction, "Unknown updateResultInfo info");
        if (!event.elapsed) QX_THROW(kSource, kFunction, "invalid elapsed info");
        properties.SetString("qx_update_result", UpdateResultText(*event.result, kFunction));
        properties.SetNumber("qx_elapsed", *event.elapsed);
        if (event.step == QxUpdateOp::UpgrateEnd) properties.SetBool("$is_first_time", true);
        break;
    default: break;
    }
    Send("QxEventUpdate", QxEventType::Update, properties, context);
    m_scheduler.AfterEvent(Mode::FlushNow);
}

void UsageTrackerImpl::trackAppOpenNotification(const AppOpenNotification* notification,
                                                const QxContextProperties& context)
{
    constexpr char kFunction[] = "trackAppOpenNotification";
    if (!notification) QX_THROW(kSource, kFunction, "&appOpenNotification is nullptr");
    if (notification->planId.empty()) QX_THROW(kSource, kFunction, "planID is emptry");
    if (notification->planType.empty()) QX_THROW(kSource, kFunction, "planType is emptry");
    if (notification->msgTitle.empty()) QX_THROW(kSource, kFunction, "msgTitle is emptry");
    PropertiesNode properties;
    properties.SetString("$sf_msg_title", NormalizeText(notification->msgTitle));
    properties.SetString("$sf_plan_id", NormalizeText(notification->planId));
    properties.SetString("$sf_plan_type", NormalizeText(notification->planType));
    SetIfSet(properties, "$sf_msg_content", notification->msgContent);
    SetIfSet(properties, "$sf_link_url", notification->linkUrl);
    SetIfSet(properties, "$sf_audience_id", notification->audienceId);
    SetIfSet(properties, "$sf_plan_strategy_id", notification->planStrategyId);
    SetIfSet(properties, "$sf_strategy_unit_id", notification->strategyUnitId);
    properties.SetBool("$is_first_time", true);
    Send("AppOpenNotification", QxEventType::AppOpenNotification, properties, context);
    m_scheduler.AfterEvent(Mode::Count);
}

void UsageTrackerImpl::setLocale(const std::string& locale)
{
    m_state->locale = NormalizeText(locale);
    RegisterLocale();
}

std::string UsageTrackerImpl::getDistinctId()
{
    return m_state->primaryDistinctId;
}

TrackLogger* UsageTrackerImpl::getLogger()
{
    return m_logger.get();
}

} // namespace tarvo::tracking
