#include "base/Sha256.h"

#include "base/Bcrypt.win32.h"

namespace launcher {

namespace {

void destroyShaHash(BCRYPT_HASH_HANDLE hash) {
    auto* const destroy = Bcrypt::bind<decltype(::BCryptDestroyHash), "BCryptDestroyHash">();
    if (destroy) destroy(hash);
}

using UniqueHash = UniqueResource<NullEmptyTraits<BCRYPT_HASH_HANDLE, destroyShaHash>>;

} // namespace

struct Sha256::State {
    UniqueBcryptAlgorithm algorithm;
    // Declared after the algorithm so that it is destroyed first.
    UniqueHash hash;
    // Set by the first call that fails; the digest is then withheld.
    bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
    auto* const open = Bcrypt::bind<decltype(::BCryptOpenAlgorithmProvider), "BCryptOpenAlgorithmProvider">();
    auto* const create = Bcrypt::bind<decltype(::BCryptCreateHash), "BCryptCreateHash">();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!open || !create || !bcryptSucceeded(open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        state_->failed = true;
        return;
    }
    state_->algorithm.reset(algorithm);
    // Without a buffer of ours the provider keeps the hash object itself.
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!bcryptSucceeded(create(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        state_->failed = true;
        return;
    }
    state_->hash.reset(hash);
}

Sha256::~Sha256() = default;

void Sha256::update(std::span<const uint8_t> bytes) {
    if (state_->failed) return;
    auto* const hashData = Bcrypt::bind<decltype(::BCryptHashData), "BCryptHashData">();
    const uint8_t* data = bytes.data();
    size_t left = bytes.size();
    // The call takes a 32-bit length; larger pieces go in slices.
    while (left > 0) {
        ULONG piece = static_cast<ULONG>(std::min<size_t>(left, 0x40000000));
        if (!hashData || !bcryptSucceeded(hashData(state_->hash.get(), const_cast<PUCHAR>(data), piece, 0))) {
            state_->failed = true;
            return;
        }
        data += piece;
        left -= piece;
    }
}

std::optional<Sha256Digest> Sha256::finish() {
    if (state_->failed) return std::nullopt;
    auto* const finishHash = Bcrypt::bind<decltype(::BCryptFinishHash), "BCryptFinishHash">();
    Sha256Digest digest;
    if (!finishHash || !bcryptSucceeded(finishHash(state_->hash.get(), digest.data(), digest.size(), 0))) {
        state_->failed = true;
        return std::nullopt;
    }
    state_->failed = true;
    return digest;
}

} // namespace launcher
