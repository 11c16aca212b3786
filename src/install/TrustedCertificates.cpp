#include "install/Download.h"

namespace launcher {

std::string downloadCertificateFile() {
    return {};
}

} // namespace launcher
