#pragma once

#include <string>

// How a batch travels: gzip, then Base64, then percent-encoding inside a form body.
namespace qx_analytics {

// gzip (deflate level 9, window bits 31, memory level 8, default strategy). On failure writes
// the zlib message to the error stream and returns false.
bool GzipCompress(const std::string& input, std::string& output);

// Standard alphabet with '=' padding, no line breaks.
std::string Base64Encode(const std::string& bytes);

// Letters, digits and "-._~" stay; every other byte becomes %XX with upper-case digits.
std::string PercentEncode(const std::string& text);

// "data_list=" + percent(base64(gzip(batch))) + "&gzip=1"; false when compression failed.
bool EncodeBatchBody(const std::string& batch, std::string& body);

} // namespace qx_analytics
