#pragma once
// The system's own words for an error code, for messages that name the
// reason a call failed.

#include <cstdint>
#include <string>

namespace launcher {

// Windows: the text FormatMessageW gives the code; Linux: strerror's. Without
// a trailing line break or full stop, so that it reads inside a sentence.
// A code the system has no text for gives its number.
std::u16string systemErrorText(uint32_t code);

} // namespace launcher
