#include "base/Elevation.h"
#include "base/Handles.win32.h"

#include <windows.h>

namespace launcher {

ElevationFacts readElevationFacts() {
    ElevationFacts facts;
    HANDLE opened = nullptr;
    TOKEN_ELEVATION elevation{};
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        facts.known = false;
        return facts;
    }
    UniqueHandle token(opened);
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) ||
        !GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size)) {
        facts.known = false;
        return facts;
    }
    facts.elevated = elevation.TokenIsElevated != 0;
    // "Full" is the elevated half of a split token; "Default" has no other
    // half (the system account, services, a standard user, UAC turned off).
    facts.unelevatedTwin = type == TokenElevationTypeFull;
    return facts;
}

} // namespace launcher
