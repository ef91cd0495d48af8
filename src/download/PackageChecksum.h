#pragma once

#include <string>

// The package checksum rule of the libcurl-based downloaders: the expected MD5 travels in the
// package's effective address as the name of the folder that holds the package file.
namespace PackageChecksum {

enum class Verdict {
    NoExpected, // the address carries no 32-character checksum: the file is accepted unverified
    Match,      // equal, or the file's own digest could not be computed
    Mismatch,
};

// The second-to-last "/"-separated segment of `effectiveUrl`; empty when the address has fewer
// than two slashes.
std::string ExpectedFromUrl(const std::string& effectiveUrl);

// MD5 of the file's bytes as 32 lower-case hex digits; empty when the file cannot be read or
// the CryptoAPI refuses.
std::string FileMd5(const std::wstring& path);

// Compares byte for byte, so an upper-case expected checksum never matches.
Verdict Check(const std::string& expected, const std::wstring& path);

} // namespace PackageChecksum
