#pragma once
// The vendor's signature on a runtime feed: ECDSA P-256 over the SHA-256
// of the feed's exact bytes, DER-encoded, as `openssl dgst -sha256 -sign`
// writes it. The key and the signature are read by the strict parser of
// EcdsaDer.h on both platforms; the curve arithmetic is the system's:
// BCrypt on Windows, libcrypto on Linux, each loaded only when a feed is
// checked, so a start that checks none maps neither.

#include "update/EcdsaDer.h"

#include <string>
#include <string_view>

namespace launcher {

enum class SignatureOutcome {
    Valid,
    BadKey,       // the key is no ECDSA P-256 public key
    BadSignature, // the signature is not one DER ECDSA signature
    Mismatch,     // well formed, but not made by that key over these bytes
    Unavailable,  // the system's cryptography cannot be used
};

struct SignatureVerdict {
    SignatureOutcome outcome = SignatureOutcome::Mismatch;
    // Why it is not valid, as a phrase for the trace; empty when valid.
    std::u16string reason;

    bool valid() const { return outcome == SignatureOutcome::Valid; }
};

// publicKeyDer is the key's SubjectPublicKeyInfo in DER form.
SignatureVerdict verifyFeedSignature(ByteView feed, ByteView derSignature, ByteView publicKeyDer);

inline ByteView asBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

namespace detail {

struct ParsedSignatureInput {
    P256Point key;
    P256Signature signature;
};
// The parser's part of the check, the same on every platform: the refusal
// of a malformed key or signature, or Valid with their parsed forms.
SignatureVerdict parseSignatureInput(ByteView derSignature, ByteView publicKeyDer, ParsedSignatureInput& parsed);
// The platform's check of a key and signature that the parser accepted.
// Both platforms say the same when the curve's arithmetic refuses.
inline SignatureVerdict signatureMismatch() {
    return {SignatureOutcome::Mismatch, u"the signature does not match the feed and the configured key"};
}
SignatureVerdict verifyP256(ByteView feed, ByteView derSignature, ByteView publicKeyDer,
                            const ParsedSignatureInput& parsed);

} // namespace detail

} // namespace launcher
