#pragma once
// The signing options of the command line, checked before anything is
// written.

#include "PackOptions.h"
#include "Signing.h"

#include <optional>
#include <ostream>

namespace launcher::pack {

// nullopt when no signing option is given. productName names the signed
// files in Windows' prompts. Throws UsageError for a wrong combination or a
// malformed value, PackError for a file or tool that is missing.
std::optional<Signer> signerRequest(const PackOptions& options, const std::string& productName, std::ostream& warnings);

} // namespace launcher::pack
