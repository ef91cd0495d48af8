#include "download/PackageChecksum.h"

#include "utils/CryptoHandles.h"
#include "utils/Handles.h"

#include <windows.h>

#include <vector>

namespace PackageChecksum {

std::string ExpectedFromUrl(const std::string& effectiveUrl)
{
    const size_t last = effectiveUrl.rfind('/');
    if (last == std::string::npos || last == 0) return {};
    const size_t previous = effectiveUrl.rfind('/', last - 1);
    if (previous == std::string::npos) return {};
    return effectiveUrl.substr(previous + 1, last - previous - 1);
}

std::string FileMd5(const std::wstring& path)
{
    Utils::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    Utils::UniqueCryptProvider provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    Utils::UniqueCryptHash hash;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) return {};

    std::vector<BYTE> block(256 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return {};
        if (read == 0) break;
        if (!CryptHashData(hash.get(), block.data(), read, 0)) return {};
    }

    BYTE digest[16];
    DWORD length = sizeof(digest);
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0) || length != sizeof(digest)) return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const BYTE byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

Verdict Check(const std::string& expected, const std::wstring& path)
{
    if (expected.size() != 32) return Verdict::NoExpected;
    const std::string actual = FileMd5(path);
    if (actual.size() != 32 || actual == expected) return Verdict::Match;
    return Verdict::Mismatch;
}

} // namespace PackageChecksum
