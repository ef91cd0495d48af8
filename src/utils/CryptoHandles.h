#pragma once

#include "utils/UniqueResource.h"

#include <wincrypt.h>

// Owning types for CryptoAPI objects (the package checksum uses them).
namespace Utils {

namespace Traits {

struct CryptProvider {
    using pointer = HCRYPTPROV;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer h) noexcept { ::CryptReleaseContext(h, 0); }
};

struct CryptHash {
    using pointer = HCRYPTHASH;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer h) noexcept { ::CryptDestroyHash(h); }
};

} // namespace Traits

using UniqueCryptProvider = UniqueResource<Traits::CryptProvider>;
using UniqueCryptHash = UniqueResource<Traits::CryptHash>;

} // namespace Utils
