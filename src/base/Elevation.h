#pragma once
// Whether this process runs with rights that the user's everyday programs
// lack. What those programs can write (the user's own settings, variables,
// registry keys and folders) must then not choose what the process runs.

namespace launcher {

struct ElevationFacts {
    bool known = true;        // the system answered the question
    bool elevated = false;    // the process has administrator rights
    // The same user also runs without them: the elevated half of the split
    // token that User Account Control gives an administrator ("Run as
    // administrator", an elevated installer starting the application). On
    // Linux: a set-user-id or set-group-id start.
    bool unelevatedTwin = false;
};

// Asks the system about this process (platform side).
ElevationFacts readElevationFacts();

} // namespace launcher
