#include "update/FeedSignature.h"

namespace launcher {

namespace detail {

SignatureVerdict parseSignatureInput(ByteView derSignature, ByteView publicKeyDer, ParsedSignatureInput& parsed) {
    const std::optional<P256Point> key = parseP256PublicKey(publicKeyDer);
    if (!key) return {SignatureOutcome::BadKey, u"the configured key is not an ECDSA P-256 public key in DER form"};
    if (derSignature.empty()) return {SignatureOutcome::BadSignature, u"the signature is empty"};
    const std::optional<P256Signature> signature = parseP256Signature(derSignature);
    if (!signature) {
        return {SignatureOutcome::BadSignature, u"the signature is not a DER-encoded ECDSA P-256 signature"};
    }
    parsed = {*key, *signature};
    return {SignatureOutcome::Valid, {}};
}

} // namespace detail

SignatureVerdict verifyFeedSignature(ByteView feed, ByteView derSignature, ByteView publicKeyDer) {
    detail::ParsedSignatureInput parsed;
    SignatureVerdict verdict = detail::parseSignatureInput(derSignature, publicKeyDer, parsed);
    if (!verdict.valid()) return verdict;
    return detail::verifyP256(feed, derSignature, publicKeyDer, parsed);
}

} // namespace launcher
