#pragma once

#include "analytics/tracker/QxEvents.h"

#include <string>

// The texts the records carry for the tracker's enumerations. An unknown value raises
// QxException with the enumeration's message, naming `function` as the refusing operation.
namespace tarvo::tracking {

std::string EventTypeText(int type); // never raises: "Unknown Event [n]!"
std::string UserTypeText(QxUserType value, const char* function);
std::string ResultText(QxResult value, const char* function);
std::string ClickTypeText(QxClickType value, const char* function);
std::string FileDirectionText(QxFileDirection value, const char* function);
std::string CurrencyText(QxCurrency value, const char* function);
std::string PaidPlatformText(QxPaidPlatform value, const char* function);
std::string IapTypeText(QxIapType value, const char* function);
std::string UpdateOpText(QxUpdateOp value, const char* function);
std::string UpdateResultText(QxUpdateResult value, const char* function);
std::string EditionText(QxEdition value, const char* function);

} // namespace tarvo::tracking
