#include "update/FeedSignature.h"

#include "base/Bcrypt.win32.h"
#include "base/Sha256.h"

#include <algorithm>
#include <vector>

namespace launcher {

namespace {

void destroyEcdsaKey(BCRYPT_KEY_HANDLE key) {
    auto* const destroy = Bcrypt::bind<decltype(::BCryptDestroyKey), "BCryptDestroyKey">();
    if (destroy) destroy(key);
}

using UniqueEcdsaKey = UniqueResource<NullEmptyTraits<BCRYPT_KEY_HANDLE, destroyEcdsaKey>>;

// The key as BCrypt imports a public ECC key: its header, then X and Y.
std::vector<uint8_t> publicKeyBlob(const P256Point& point) {
    BCRYPT_ECCKEY_BLOB header{};
    header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header.cbKey = kP256FieldBytes;
    std::vector<uint8_t> blob(sizeof header + 2 * kP256FieldBytes);
    const auto* headerBytes = reinterpret_cast<const uint8_t*>(&header);
    auto out = std::copy(headerBytes, headerBytes + sizeof header, blob.begin());
    out = std::copy(point.x.begin(), point.x.end(), out);
    std::copy(point.y.begin(), point.y.end(), out);
    return blob;
}

SignatureVerdict noBcryptCheck(std::u16string reason) {
    return {SignatureOutcome::Unavailable, u"no signature check: " + reason};
}

} // namespace

namespace detail {

SignatureVerdict verifyP256(ByteView feed, ByteView, ByteView, const ParsedSignatureInput& parsed) {
    auto* const open = Bcrypt::bind<decltype(::BCryptOpenAlgorithmProvider), "BCryptOpenAlgorithmProvider">();
    auto* const import = Bcrypt::bind<decltype(::BCryptImportKeyPair), "BCryptImportKeyPair">();
    auto* const verify = Bcrypt::bind<decltype(::BCryptVerifySignature), "BCryptVerifySignature">();
    if (!open || !import || !verify) {
        return noBcryptCheck(u"the system's BCrypt lacks the functions a signature check needs");
    }

    BCRYPT_ALG_HANDLE algorithmHandle = nullptr;
    if (!bcryptSucceeded(open(&algorithmHandle, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
        return noBcryptCheck(u"the system's BCrypt offers no ECDSA P-256");
    }
    const UniqueBcryptAlgorithm algorithm(algorithmHandle);
    std::vector<uint8_t> blob = publicKeyBlob(parsed.key);
    BCRYPT_KEY_HANDLE keyHandle = nullptr;
    if (!bcryptSucceeded(import(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &keyHandle, blob.data(),
                          static_cast<ULONG>(blob.size()), 0))) {
        return {SignatureOutcome::BadKey, u"BCrypt refuses the configured key: no point of the P-256 curve"};
    }
    const UniqueEcdsaKey key(keyHandle);

    Sha256 hash;
    hash.update(feed);
    std::optional<Sha256Digest> digest = hash.finish();
    if (!digest) return noBcryptCheck(u"the system's BCrypt cannot hash with SHA-256");

    // BCrypt takes r and s side by side, each as wide as the curve's field.
    uint8_t rs[2 * kP256FieldBytes];
    std::copy(parsed.signature.r.begin(), parsed.signature.r.end(), rs);
    std::copy(parsed.signature.s.begin(), parsed.signature.s.end(), rs + kP256FieldBytes);
    const NTSTATUS status = verify(key.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()), rs,
                                   static_cast<ULONG>(sizeof rs), 0);
    if (!bcryptSucceeded(status)) return signatureMismatch();
    return {SignatureOutcome::Valid, {}};
}

} // namespace detail

} // namespace launcher
