#include "Pkcs12File.h"

#include <initializer_list>

namespace launcher::pack {

namespace {

// DER object identifiers, tag and length included.
// PKCS#12's own password-based ciphers, 1.2.840.113549.1.12.1.N.
const std::string kPkcs12Pbe("\x06\x0A\x2A\x86\x48\x86\xF7\x0D\x01\x0C\x01", 11);
// PKCS#5 version 1's, 1.2.840.113549.1.5.N.
const std::string kPkcs5v1Pbe("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x05", 10);

bool hasIdentifier(const std::string& bytes, const std::string& prefix, std::initializer_list<unsigned char> lastArcs) {
    for (size_t at = bytes.find(prefix); at != std::string::npos; at = bytes.find(prefix, at + 1)) {
        if (at + prefix.size() >= bytes.size()) break;
        auto arc = static_cast<unsigned char>(bytes[at + prefix.size()]);
        for (unsigned char legacy : lastArcs) {
            if (arc == legacy) return true;
        }
    }
    return false;
}

} // namespace

bool usesLegacyEncryption(const std::string& pkcs12) {
    // The algorithm identifiers stand unencrypted before the data they
    // encrypt. Of PKCS#12's: RC4-128, RC4-40, RC2-128, RC2-40 (3DES, 3 and
    // 4, is in OpenSSL's default provider); of PKCS#5's: every DES and RC2 one.
    return hasIdentifier(pkcs12, kPkcs12Pbe, {1, 2, 5, 6}) || hasIdentifier(pkcs12, kPkcs5v1Pbe, {1, 3, 4, 6, 10, 11});
}

bool failedToDecryptPkcs12(const std::string& osslsigncodeOutput) {
    // 2.5 to 2.9 say "Failed to parse PKCS#12 file: F (Wrong password?)" for
    // both, followed by OpenSSL's errors: a wrong password fails its "mac
    // verify" first; a cipher without its provider is "unsupported".
    auto has = [&](const char* text) { return osslsigncodeOutput.find(text) != std::string::npos; };
    return has("(Wrong password?)") && has(":unsupported:") && !has("mac verify failure");
}

} // namespace launcher::pack
