// The certificate authorities of the test programs' https downloads: linked
// ahead of the launcher's own (none), so that a test can trust the
// authority of its own loopback TLS server, or another one.

#include "install/Download.h"
#include "support/TrustedCertificatesForTests.h"

namespace launcher {

namespace test {
std::string trustedCertificateFile;
} // namespace test

std::string downloadCertificateFile() {
    return test::trustedCertificateFile;
}

} // namespace launcher
