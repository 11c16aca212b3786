#include "install/Download.h"

namespace launcher {

std::chrono::milliseconds downloadStallLimit() {
    return std::chrono::seconds(30);
}

} // namespace launcher
