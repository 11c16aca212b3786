#include "install/TerminalInstall.h"

#include "base/Text.h"

namespace launcher {

namespace {

// Megabytes with one decimal.
std::u16string megabytes(uint64_t bytes) {
    const uint64_t tenths = (bytes + 50'000) / 100'000;
    return toDecimal(static_cast<long long>(tenths / 10)) + u"." + toDecimal(static_cast<long long>(tenths % 10));
}

} // namespace

std::u16string progressLine(uint64_t received, std::optional<uint64_t> total) {
    std::u16string line = u"Downloading the Java runtime: " + megabytes(received);
    if (total && *total > 0) {
        const uint64_t percent = received >= *total ? 100 : received * 100 / *total;
        line += u" of " + megabytes(*total) + u" MB (" + toDecimal(static_cast<long long>(percent)) + u"%)";
    } else {
        line += u" MB";
    }
    return line;
}

} // namespace launcher
