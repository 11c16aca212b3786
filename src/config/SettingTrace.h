#pragma once
// Trace lines for the settings the launch reads: each value with where it
// came from, so that support staff see which file or layer decided it.

#include "base/Text.h"
#include "base/Trace.h"

namespace launcher {

enum class SettingSource {
    File,     // the INI file named
    Extended, // the embedded value extended by the file's "+" section
    Embedded, // the embedded configuration alone
    Unset,    // no source has it: the default applies
};

// The trace line of one setting read (pure, for tests).
std::u16string settingTraceText(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                                 SettingSource source, std::u16string_view filePath);
// Writes that line while tracing is on; otherwise costs the test of a flag.
inline void traceSetting(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                         SettingSource source, std::u16string_view filePath) {
    if (trace::on()) trace::line(settingTraceText(section, key, value, source, filePath));
}

} // namespace launcher
