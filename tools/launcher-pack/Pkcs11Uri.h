#pragma once
// The URI that names a key in a PKCS#11 token (RFC 7512).

#include <string>

namespace launcher::pack {

// Throws PackError unless uri is a well-formed PKCS#11 URI naming a key
// (its object or id), without a PIN in it.
void checkPkcs11Uri(const std::string& uri);

} // namespace launcher::pack
