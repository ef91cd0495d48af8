#pragma once

// Owning types for libcurl objects. Only the areas that talk HTTP include <curl/curl.h>; this
// header declares just the two release calls it needs, with curl's own C signatures, so the
// lower areas stay free of curl while every CURL* and curl_slist* still has one owner.

#include "utils/UniqueResource.h"

struct curl_slist;
extern "C" {
void curl_easy_cleanup(void* handle);
void curl_slist_free_all(struct curl_slist* list);
}

namespace Utils {

namespace Traits {

struct CurlEasy {
    using pointer = void*; // libcurl's CURL is a typedef of void
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { curl_easy_cleanup(h); }
};

struct CurlList {
    using pointer = curl_slist*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer list) noexcept { curl_slist_free_all(list); }
};

} // namespace Traits

using UniqueCurl = UniqueResource<Traits::CurlEasy>;
using UniqueCurlList = UniqueResource<Traits::CurlList>;

} // namespace Utils
