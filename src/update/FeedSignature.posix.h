#pragma once
// Linux checks a feed's signature with the system's libcrypto, loaded by
// its version's name when the first feed is checked.

#include "update/FeedSignature.h"

#include <span>

namespace launcher {

// The names tried in order: OpenSSL 3, then 1.1.1. Every function used is
// exported by both under the same name (EVP_DigestVerify came in 1.1.1).
inline constexpr const char* kLibcryptoNames[] = {"libcrypto.so.3", "libcrypto.so.1.1"};

// verifyFeedSignature with libcrypto looked for under names instead, loaded
// for this call only: for tests of a machine that has none.
SignatureVerdict verifyFeedSignatureWith(std::span<const char* const> names, ByteView feed, ByteView derSignature,
                                         ByteView publicKeyDer);

} // namespace launcher
