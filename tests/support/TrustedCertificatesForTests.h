#pragma once
// The certificate file that a test program's https downloads trust on Linux
// (seams/TrustedCertificatesForTests.cpp): the system's while it is empty.

#include <string>

namespace launcher::test {

extern std::string trustedCertificateFile;

} // namespace launcher::test
