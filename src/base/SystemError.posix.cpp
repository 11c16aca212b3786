#include "base/SystemError.h"
#include "base/Text.h"

#include <cstring>

namespace launcher {

std::u16string systemErrorText(uint32_t code) {
    const char* text = std::strerror(static_cast<int>(code));
    if (!text || !*text) return u"error " + toDecimal(static_cast<long long>(code));
    return fromUtf8(text);
}

} // namespace launcher
