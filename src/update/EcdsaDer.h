#pragma once
// The two DER structures a feed's signature check reads: an ECDSA P-256
// public key as SubjectPublicKeyInfo (what `openssl pkey -pubin -outform
// DER` writes) and an ECDSA signature, a SEQUENCE of the INTEGERs r and s
// (what `openssl dgst -sha256 -sign` writes).
//
// Both are read strictly, as distinguished encoding: definite minimal
// lengths, minimal positive integers, the exact algorithm and curve
// identifiers, and no byte before, between or after the parts. A key or
// signature has exactly one encoding, so that nothing the system's
// cryptography might read more leniently ever reaches it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace launcher {

using ByteView = std::span<const uint8_t>;

inline constexpr size_t kP256FieldBytes = 32;
using P256Number = std::array<uint8_t, kP256FieldBytes>; // big-endian

// An uncompressed point of the curve: the key's X and Y.
struct P256Point {
    P256Number x{};
    P256Number y{};
};

// r and s, each left-padded with zeros to the field's width: together the
// 64-byte form that Windows' BCrypt verifies.
struct P256Signature {
    P256Number r{};
    P256Number s{};
};

// The point of an id-ecPublicKey key on prime256v1 in uncompressed form;
// nothing for any other key, curve or point form, or for bytes that are
// not exactly one such structure.
std::optional<P256Point> parseP256PublicKey(ByteView der);

// r and s of a DER signature; nothing when either is zero, negative, wider
// than the curve's order, or not minimally encoded.
std::optional<P256Signature> parseP256Signature(ByteView der);

} // namespace launcher
