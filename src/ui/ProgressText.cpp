#include "ui/ProgressText.h"

#include "base/Format.h"
#include "base/Messages.h"
#include "base/Text.h"

namespace launcher {

std::u16string megabytes(uint64_t bytes) {
    const uint64_t tenths = (bytes + 50'000) / 100'000;
    return toDecimal(static_cast<long long>(tenths / 10)) + u"." + toDecimal(static_cast<long long>(tenths % 10));
}

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

int progressPermille(uint64_t received, std::optional<uint64_t> total) {
    if (!total || *total == 0) return 0;
    if (received >= *total) return 1000;
    // In floating point: received * 1000 may not fit 64 bits.
    return static_cast<int>(static_cast<double>(received) * 1000.0 / static_cast<double>(*total));
}

std::u16string installNote(std::optional<uint64_t> size) {
    if (!size || *size == 0) return loadMessage(MessageId::InstallNote);
    return formatMessage(loadMessage(MessageId::InstallNoteWithSize), {megabytes(*size)});
}

} // namespace launcher
