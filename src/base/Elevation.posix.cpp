#include "base/Elevation.h"

#include <unistd.h>

namespace launcher {

ElevationFacts readElevationFacts() {
    ElevationFacts facts;
    // A set-user-id or set-group-id start runs with another identity's
    // rights in the environment of the user who started it.
    facts.elevated = geteuid() != getuid() || getegid() != getgid();
    facts.unelevatedTwin = facts.elevated;
    return facts;
}

} // namespace launcher
