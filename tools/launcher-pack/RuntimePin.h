#pragma once
// The vendor's pinned runtime: --runtime-download, --runtime-sha256 and
// --runtime-size become the keys of the packaged INI that the launcher
// installs the runtime from.

#include "PackOptions.h"

#include <optional>
#include <string>

namespace launcher::pack {

struct RuntimePin {
    std::string url;
    std::string sha256;
    std::optional<std::string> size;
};

// The pin the options ask for, or nothing. Throws UsageError when an option
// comes without its partner.
std::optional<RuntimePin> runtimePinRequest(const PackOptions& options);

// The INI text with the pin's keys in "Java Runtime Environment". Throws
// PackError for a value the launcher would refuse, checked by the
// launcher's own rules against the INI's "Product Name".
std::string withRuntimePin(const std::string& ini, const RuntimePin& pin);

} // namespace launcher::pack
