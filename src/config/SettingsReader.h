#pragma once
// Reading the launch settings from the configuration files, and the value
// rules of the keys that take words.

#include "base/Platform.h"
#include "config/LaunchSettings.h"

namespace launcher {

inline constexpr std::u16string_view kProductSection = u"Product Information";
inline constexpr std::u16string_view kJreSection = u"Java Runtime Environment";
inline constexpr std::u16string_view kApplicationSection = u"Application";
inline constexpr std::u16string_view kDisplaySection = u"Display";
inline constexpr std::u16string_view kClassPathSection = u"Class Path";
inline constexpr std::u16string_view kJrePathKey = u"JRE Path";

// Reads every setting of the launch from the launcher INI at iniPath (and
// the per-user INI and embedded configuration it leads to). Returns false,
// after showing message 210, when no main class is configured. Without
// readUserIni (an elevated start) the per-user INI is left out as for a
// service.
bool readLaunchSettings(std::u16string_view iniPath, std::u16string_view modulePath, WindowHandle owner,
                        LaunchSettings& settings, bool readUserIni = true);

// "Yes" test: the word in any letter case.
bool isYes(std::u16string_view value);

VersionNumber minimumVersionFrom(std::u16string_view value);
// An absent, empty or unparsable maximum means no upper bound.
VersionNumber maximumVersionFrom(std::u16string_view value);
JvmTypeCode jvmTypeFrom(std::u16string_view value);
// "JVM Source": the three kind flags.
void applyJvmSource(std::u16string_view value, RuntimeCriteria& criteria);
// "VM Provider": the vendor flags of the first matching row, else the
// current ones.
VendorFlags vendorFlagsFrom(std::u16string_view value, const VendorFlags& current);
// A path setting ("JRE Path", "Pair Product") made absolute against the
// executable's folder.
std::u16string besideLauncher(std::u16string_view value, std::u16string_view modulePath);
// "Main Class" with "/" as the package separator.
std::u16string mainClassFrom(std::u16string_view value);

} // namespace launcher
