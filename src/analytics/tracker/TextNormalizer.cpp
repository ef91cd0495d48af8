#include "analytics/tracker/TextNormalizer.h"

#include "analytics/core/Checks.h"
#include "utils/Text.h"

namespace tarvo::tracking {

std::string NormalizeText(const std::string& text)
{
    if (qx_analytics::IsStrictUtf8(text)) return text;
    const std::wstring wide = Utils::ToWide(text, CP_ACP);
    return wide.empty() ? text : Utils::ToNarrow(wide, CP_UTF8);
}

} // namespace tarvo::tracking
