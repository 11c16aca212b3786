#pragma once
// What a PKCS#12 file (.pfx, .p12) tells without its password.

#include <string>

namespace launcher::pack {

// Whether the file encrypts its content with a legacy algorithm (RC2, RC4
// or DES, as Windows' and older OpenSSL's exports do): OpenSSL 3 decrypts
// those only with its legacy provider, and osslsigncode without that
// provider reports a wrong password.
bool usesLegacyEncryption(const std::string& pkcs12);

// osslsigncode's output says it could not decrypt the PKCS#12 file for want
// of a cipher, the password having passed the file's integrity check.
bool failedToDecryptPkcs12(const std::string& osslsigncodeOutput);

} // namespace launcher::pack
