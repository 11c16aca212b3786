#pragma once
// --runtime-download-latest: the pin of the newest general-availability JRE
// of one Java feature version, as the Adoptium API names it for the
// architecture of the package's launcher. The API is asked on the build
// machine, once, when the package is made; the launcher only ever sees the
// address, checksum and size that were found.

#include "PackOptions.h"
#include "RuntimePin.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace launcher::pack {

inline constexpr char kAdoptiumApiBase[] = "https://api.adoptium.net";

struct LatestRuntimeRequest {
    std::string feature; // "21"
    std::string apiBase; // without a trailing "/"
    // The API's name of the operating system: "windows" (a .zip) or
    // "linux" (a .tar.gz), the archives the launcher unpacks on each.
    std::string os = "windows";
};

// The request the options make, or nothing. Throws UsageError when it comes
// with options that pin a runtime by hand, or the API's base without it;
// PackError for a feature that is not a version number.
std::optional<LatestRuntimeRequest> latestRuntimeRequest(const PackOptions& options);

// The API's name of the architecture of a PE machine field; throws
// PackError for a machine that Adoptium publishes no Windows runtime for.
std::string adoptiumArchitecture(uint16_t machine);

// The address of the API's answer: the newest GA hotspot JRE of the
// feature version for the request's system on that architecture.
std::string adoptiumLatestAddress(const LatestRuntimeRequest& request, std::string_view architecture);

struct AdoptiumRelease {
    RuntimePin pin;
    std::string name;    // "jdk-21.0.5+11"
    std::string version; // "21.0.5", as the runtime's release file names it; empty when the answer has none
};

// The release the answer (a JSON list of assets) offers for the request:
// among the entries for the request's system, the architecture and a JRE,
// the newest. Throws PackError when the answer is not such a list, holds no
// fitting entry, or its entry lacks the archive's link (a zip for Windows,
// a tar.gz for Linux), a SHA-256 or a size.
AdoptiumRelease pickAdoptiumRelease(std::string_view answer, const LatestRuntimeRequest& request,
                                    std::string_view architecture);

// Asks the API through the launcher's own download layer and picks the
// release. Throws PackError.
AdoptiumRelease fetchLatestRelease(const LatestRuntimeRequest& request, std::string_view architecture);

// fetchLatestRelease for the launcher's machine; says on err what it
// pinned. Throws PackError.
RuntimePin fetchLatestRuntimePin(const LatestRuntimeRequest& request, uint16_t machine, std::ostream& err);

} // namespace launcher::pack
