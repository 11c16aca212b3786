#include "splash/SplashChoice.h"

#include <algorithm>

namespace launcher {

bool splashSuppressed(const TextList& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::u16string& argument) {
        return argument == u"-nosplash" || argument == u"/nosplash";
    });
}

SplashKind firstSplashChoice(const SplashRequest& request) {
    if (!request.imageConfigured) return SplashKind::None;
    // Without a window of its own the launcher can only hand the picture to
    // the runtime, whatever the preference says.
    bool nativeWanted = request.preferNative || !request.ownWindowAvailable;
    if (nativeWanted && request.libraryFound) return SplashKind::Native;
    return fallbackAfterNativeFailure(request);
}

SplashKind fallbackAfterNativeFailure(const SplashRequest& request) {
    if (!request.imageConfigured || !request.ownWindowAvailable) return SplashKind::None;
    return SplashKind::OwnWindow;
}

bool splashShadowRequested(std::u16string_view shadowText) {
    return shadowText == u"true";
}

} // namespace launcher
