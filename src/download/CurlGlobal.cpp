#include "download/CurlGlobal.h"

#include <curl/curl.h>

int CurlGlobal::Init()
{
    m_initialised = true; // cleanup pairs with every init call, whatever its result
    return static_cast<int>(curl_global_init(CURL_GLOBAL_ALL));
}

void CurlGlobal::Cleanup()
{
    if (!m_initialised) return;
    m_initialised = false;
    curl_global_cleanup();
}
