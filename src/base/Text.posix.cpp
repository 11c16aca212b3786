#include "base/Text.h"

namespace launcher {

// The Linux port's narrow text is UTF-8 throughout.
std::string toNarrow(std::u16string_view text) { return toUtf8(text); }
std::u16string fromNarrow(std::string_view text) { return fromUtf8(text); }

} // namespace launcher
