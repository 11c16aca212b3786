#pragma once
// The x64 launcher on an ARM64 computer and its ARM64 sibling: which of
// them searches for the runtime. The x64 launcher runs there only emulated
// and loads only x64 runtimes, so it hands the launch to the sibling first;
// the sibling hands it back, once, when it finds no ARM64 runtime. A mark
// in the environment, set by the launcher handing over and removed by the
// one receiving it, tells each start which way it came, so that no launch
// goes back and forth.

#include "jre/Bitness.h"

#include <optional>
#include <string>
#include <string_view>

namespace launcher {

// The launchers' own variable, a flag: kFromX64 on the way to the sibling,
// kHandedBack on the way back. Where a sibling hands back to comes from its
// own settings ("X64 Product"), never from the environment, which anyone
// who starts the sibling chooses.
inline constexpr std::u16string_view kHandOverVariable = u"QX_LAUNCHER_ARM64_HANDOVER";
inline constexpr std::u16string_view kFromX64 = u"from-x64";
inline constexpr std::u16string_view kHandedBack = u"returned";

enum class HandOverMark { None, FromX64, Returned };

// The mark a variable's value makes: kFromX64 or kHandedBack. Anything
// else is no mark.
HandOverMark readHandOverMark(const std::optional<std::u16string>& value);

// "ARM64 Product" resolved against the launcher's folder: a file name or a
// path below that folder. An absolute path, a drive, a stream or a ".."
// step is refused, with the reason; so is a name of the launcher itself.
struct SiblingPath {
    std::u16string path;    // empty: not configured, or refused
    std::u16string refusal; // why a configured value is not used
};
SiblingPath siblingBesideLauncher(std::u16string_view value, std::u16string_view modulePath);

// "X64 Product" resolved in the sibling's own folder: a plain file name,
// without a folder, drive or stream ("\\", "/", ":"), and neither "." nor
// ".."; nor a name of the launcher itself. A refused value says why.
SiblingPath x64LauncherBeside(std::u16string_view value, std::u16string_view modulePath);

enum class RuntimeSearchState { NotYet, Found, NothingFound };
struct HandOverFacts {
    LibraryWidth launcher = LibraryWidth::Unknown; // this launcher's machine
    bool arm64Computer = false;                    // the computer's native machine is ARM64
    bool siblingConfigured = false;                // "ARM64 Product" names a file that exists
    HandOverMark mark = HandOverMark::None;
    RuntimeSearchState search = RuntimeSearchState::NotYet;
    bool x64Configured = false;                    // "X64 Product" names a file that exists
};
enum class HandOverStep {
    Search,    // this launcher takes its slot and searches
    ToSibling, // the x64 launcher starts the ARM64 sibling instead
    Run,       // a runtime was found: it runs here
    BackToX64, // the sibling found none: the x64 launcher its settings name searches once
    AskUser,   // none was found: the usual runtime-not-found path
};
HandOverStep handOverStep(const HandOverFacts& facts);

} // namespace launcher
