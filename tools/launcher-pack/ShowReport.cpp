#include "ShowReport.h"

#include "EmbeddedConfig.h"
#include "IconFile.h"
#include "VersionInfo.h"

#include "base/Text.h"
#include "config/EmbeddedSettings.h"

#include <sstream>

namespace launcher::pack {

std::string describeExecutable(const Bytes& file, const std::optional<std::string>& upgradeCode) {
    PeImage image = readPeImage(file);
    ResourceList resources = readResources(image);
    std::ostringstream out;
    out << "format: " << (image.pe32Plus ? "PE32+ (64-bit)" : "PE32 (32-bit)") << "\n";
    out << "signature: " << (image.hasSignature() ? "present" : "none") << "\n";
    std::vector<std::string> icons = iconSizes(resources);
    if (icons.empty()) out << "icon: none\n";
    for (const std::string& sizes : icons) out << "icon: " << sizes << "\n";
    bool versioned = false;
    for (const Resource& r : resources) {
        if (!(r.type == ResourceName{kRtVersion, {}}) || versioned) continue;
        versioned = true;
        VersionInfo info = readVersionInfo(r.data);
        out << "file version: " << versionText(info.fileVersion) << "\n";
        out << "product version: " << versionText(info.productVersion) << "\n";
        for (const auto& [key, value] : info.strings) out << "  " << toUtf8(key) << ": " << toUtf8(value) << "\n";
    }
    if (!versioned) out << "version information: none\n";
    bool key = hasResource(resources, kRtRcData, kEmbeddedKeyResource);
    bool settings = hasResource(resources, kRtRcData, kEmbeddedSettingsResource);
    out << "embedded configuration: resource 9000 " << (key ? "present" : "absent") << ", resource 8000 "
        << (settings ? "present" : "absent") << "\n";
    if (upgradeCode) {
        checkUpgradeCode(*upgradeCode);
        std::string text = readEmbeddedSettings(resources, *upgradeCode);
        out << "embedded settings (upgrade code " << *upgradeCode << "):\n" << text;
        if (!text.empty() && !text.ends_with("\n")) out << "\n";
    }
    return out.str();
}

} // namespace launcher::pack
