#pragma once
// The version resource (VS_VERSIONINFO) that the shell's Properties page and
// GetFileVersionInfo read: fixed file and product versions and one US English
// Unicode string table.

#include "Bytes.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace launcher::pack {

using VersionNumber4 = std::array<uint16_t, 4>;
using VersionStrings = std::vector<std::pair<std::u16string, std::u16string>>;

struct VersionInfo {
    VersionNumber4 fileVersion{};
    VersionNumber4 productVersion{};
    VersionStrings strings; // in the order written
};

// "A.B.C.D", each a decimal number up to 65535; throws PackError otherwise.
VersionNumber4 parseVersionNumber(std::string_view text);
std::string versionText(const VersionNumber4& version);

Bytes buildVersionInfo(const VersionInfo& info);
// Reads what buildVersionInfo writes (and what resource compilers write);
// throws PackError for a block that runs past its parent.
VersionInfo readVersionInfo(const Bytes& resource);

} // namespace launcher::pack
