#pragma once

#include <curl/curl.h>

// Certificate trust of the package transfers. Verification always stays on. When the
// environment variable LUMACUT_CA_BUNDLE names a PEM file, peers are verified against the
// certificates in it instead of the system store: this is how a private download server (and
// the test world's own CA) is trusted without touching the machine's root store.
namespace TlsTrust {

inline constexpr wchar_t kCaBundleVariable[] = L"LUMACUT_CA_BUNDLE";

// Sets CURLOPT_CAINFO on `handle` when a bundle is named; CURLE_OK otherwise.
CURLcode Apply(CURL* handle);

} // namespace TlsTrust
