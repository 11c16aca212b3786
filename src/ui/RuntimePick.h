#pragma once
// Whether a runtime the user picked in the runtime-not-found dialog can
// serve this launcher. The search already passes over libraries of another
// machine; a pick is held to the same rule, so that a wrong one is turned
// away with a reason while the user can still pick again, instead of
// failing in the loader after OK.

#include "jre/Bitness.h"

#include <string>
#include <string_view>

namespace launcher {

// The message to show for the picked library at jvmPath, whose headers are
// image, in a launcher of width launcher; empty when the pick is valid:
// the launcher loads it, or it is 32-bit and the x64 launcher's 32-bit
// pair ("Pair Product", hasPair) runs it.
std::u16string pickedRuntimeRejection(std::u16string_view jvmPath, const LibraryImage& image, LibraryWidth launcher,
                                      bool hasPair);

} // namespace launcher
