#include "config/EmbeddedSettings.h"

namespace launcher {

// Linux executables carry no embedded configuration; the overlay is empty.
Bytes loadOwnResource(uint16_t) { return {}; }

Bytes decipher(std::u16string_view keyText, Bytes data) {
    return decipherPortable(keyText, std::move(data));
}

} // namespace launcher
