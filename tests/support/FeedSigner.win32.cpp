#include "support/FeedSigner.win32.h"

#include "base/Sha256.h"

#include <algorithm>
#include <vector>

namespace launcher::test {

namespace {

constexpr size_t kField = 32;

// SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 0, 0x04 X Y } }
// up to the point's first coordinate.
constexpr char kSpkiPrefix[] = "\x30\x59\x30\x13\x06\x07\x2a\x86\x48\xce\x3d\x02\x01\x06\x08\x2a\x86\x48\xce"
                                         "\x3d\x03\x01\x07\x03\x42\x00\x04";

// One DER INTEGER of a big-endian unsigned number: no needless leading
// zero, and a zero byte before a high bit.
std::string derInteger(std::string_view number) {
    while (number.size() > 1 && number.front() == '\0') number.remove_prefix(1);
    std::string value(number);
    if (static_cast<unsigned char>(value.front()) & 0x80) value.insert(value.begin(), '\0');
    return std::string{'\x02', static_cast<char>(value.size())} + value;
}

} // namespace

std::string base64Of(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        const size_t present = std::min<size_t>(3, bytes.size() - i);
        for (size_t k = 0; k < 4; ++k) text.push_back(k <= present ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=');
    }
    return text;
}

FeedSigner::FeedSigner() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) < 0) {
        failure_ = "BCrypt offers no ECDSA P-256";
        return;
    }
    algorithm_.reset(algorithm);
    if (BCryptGenerateKeyPair(algorithm, &key_, 256, 0) < 0 || BCryptFinalizeKeyPair(key_, 0) < 0) {
        failure_ = "BCrypt made no P-256 key pair";
        return;
    }
    ULONG size = 0;
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kField);
    if (BCryptExportKey(key_, nullptr, BCRYPT_ECCPUBLIC_BLOB, blob.data(), static_cast<ULONG>(blob.size()), &size, 0) < 0 ||
        size != blob.size()) {
        failure_ = "BCrypt exported no public key";
        return;
    }
    publicKeyDer_.assign(kSpkiPrefix, sizeof kSpkiPrefix - 1);
    publicKeyDer_.append(reinterpret_cast<const char*>(blob.data()) + sizeof(BCRYPT_ECCKEY_BLOB), 2 * kField);
}

FeedSigner::~FeedSigner() {
    if (key_) BCryptDestroyKey(key_);
}

std::string FeedSigner::publicKeyBase64() const { return base64Of(publicKeyDer_); }

std::string FeedSigner::sign(std::string_view feed) const {
    if (!ready()) return {};
    Sha256 hash;
    hash.update(feed);
    std::optional<Sha256Digest> digest = hash.finish();
    if (!digest) return {};
    uint8_t rs[2 * kField];
    ULONG size = 0;
    if (BCryptSignHash(key_, nullptr, digest->data(), static_cast<ULONG>(digest->size()), rs, sizeof rs, &size, 0) < 0 ||
        size != sizeof rs) {
        return {};
    }
    const std::string_view both(reinterpret_cast<const char*>(rs), sizeof rs);
    const std::string numbers = derInteger(both.substr(0, kField)) + derInteger(both.substr(kField));
    return std::string{'\x30', static_cast<char>(numbers.size())} + numbers;
}

} // namespace launcher::test
