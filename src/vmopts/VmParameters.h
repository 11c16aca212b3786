#pragma once
// The "Virtual Machine Parameters" setting: one line of options separated by
// spaces, where double quotes keep a value with spaces in one option.

#include "base/Text.h"

namespace launcher {

// Position of the next space at or after start that lies outside a quoted
// span; the text's length when there is none. A quote without a partner
// protects nothing.
size_t findParameterBreak(std::u16string_view text, size_t start);

// The options of the line in the order written. Only U+0020 separates;
// runs of spaces give no empty option. Quotes stay in the options.
TextList splitVmParameters(std::u16string_view text);

// Removes the quoting of one option: each pair of quotes goes, the text
// between stays; a doubled closing quote leaves one quote behind.
void stripQuotes(std::u16string& token);

} // namespace launcher
