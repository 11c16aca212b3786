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

// The INI text without any of the pin's keys, "Runtime Download" included,
// nor the runtime feed's, which offers runtimes in the pin's place.
// The pinned archive holds an x64 runtime: the ARM64 sibling would download
// it only to refuse it, so the sibling's settings name no pin and a sibling
// that finds no ARM64 runtime leaves the install to the x64 launcher.
std::string withoutRuntimePin(std::string_view ini);

} // namespace launcher::pack
