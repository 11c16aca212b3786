#include "base/TrustedExpansion.h"

namespace launcher {

// Linux keeps no machine-wide environment that a process could read back:
// every variable came from the parent, and counts as the user's.
std::vector<TrustedVariable> readSystemVariables() { return {}; }

} // namespace launcher
