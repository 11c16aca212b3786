#pragma once
// Which splash a launch shows: none, the runtime's native splash, or the
// launcher's own window. Pure decisions, fed by the run phase.

#include "base/Text.h"

namespace launcher {

enum class SplashKind { None, Native, OwnWindow };

// "-nosplash" or "/nosplash" as a whole argument, case-sensitive.
bool splashSuppressed(const TextList& arguments);

struct SplashRequest {
    bool imageConfigured = false;   // "Splash Screen" is not empty
    bool preferNative = false;      // "Preffer Native Splash Screen" passed the "Yes" test
    bool libraryFound = false;      // the runtime has its splash library
    bool ownWindowAvailable = true; // the platform has a splash window of the launcher's own
};

// The splash to try first. A native splash that fails to start falls back
// to the own window (fallbackAfterNativeFailure).
SplashKind firstSplashChoice(const SplashRequest& request);
SplashKind fallbackAfterNativeFailure(const SplashRequest& request);

// Only exactly "true" turns the drop shadow on.
bool splashShadowRequested(std::u16string_view shadowText);

} // namespace launcher
