#pragma once
// The launcher-pack command: options in, files and a report out.

#include <iosfwd>
#include <string>
#include <vector>

namespace launcher::pack {

// Runs the command with its arguments (UTF-8, without the program name).
// Returns 0 on success, 1 when packaging failed (one line on err, nothing
// written), 2 for wrong usage.
int runLauncherPack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace launcher::pack
