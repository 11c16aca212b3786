#pragma once
// The runtime feed's key pair and signature, made and checked by the
// openssl command-line tool: an ECDSA P-256 key, and a DER-encoded ECDSA
// signature over the SHA-256 of the feed's bytes, exactly what
// "openssl dgst -sha256 -sign" writes, so that a vendor can sign with the
// same tool (or a key store that drives it) instead of launcher-pack.

#include "FileIo.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace launcher::pack {

// launcher-pack feed-key --out NAME: writes NAME.pem (the private key) and
// NAME.pub.pem (its public half). Never replaces an existing file. Throws
// UsageError or PackError.
void runFeedKeyCommand(const std::vector<std::string>& arguments, std::ostream& out);

// The public half of a P-256 private key, in DER (SubjectPublicKeyInfo),
// written to publicKey. Throws PackError for another kind of key.
void writeFeedPublicKey(const fs::path& privateKey, const fs::path& publicKey);

// Signs file's bytes into signature. Throws PackError.
void signFeed(const fs::path& privateKey, const fs::path& file, const fs::path& signature);

// Whether signature is the signature of file's bytes by the key whose DER
// public half publicKey holds. Otherwise the tool's words go to why.
bool feedSignatureVerifies(const fs::path& publicKey, const fs::path& file, const fs::path& signature, std::string& why);

} // namespace launcher::pack
