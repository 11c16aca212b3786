#pragma once
// BCrypt, loaded only when something is hashed or a signature is checked,
// so a plain start never maps it and the executable does not import it.

#include "base/SystemLibrary.win32.h"

#include <windows.h>
#include <bcrypt.h>

namespace launcher {

inline constexpr wchar_t kBcrypt[] = L"bcrypt.dll";
using Bcrypt = LazySystemLibrary<kBcrypt>;

inline bool bcryptSucceeded(NTSTATUS status) { return status >= 0; }

inline void closeBcryptAlgorithm(BCRYPT_ALG_HANDLE algorithm) {
    auto* const close = Bcrypt::bind<decltype(::BCryptCloseAlgorithmProvider), "BCryptCloseAlgorithmProvider">();
    if (close) close(algorithm, 0);
}

using UniqueBcryptAlgorithm = UniqueResource<NullEmptyTraits<BCRYPT_ALG_HANDLE, closeBcryptAlgorithm>>;

} // namespace launcher
