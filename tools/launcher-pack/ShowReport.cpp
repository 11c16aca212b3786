#include "ShowReport.h"

#include "CompoundFile.h"
#include "EmbeddedConfig.h"
#include "IconFile.h"
#include "VersionInfo.h"

#include "base/Text.h"
#include "config/EmbeddedSettings.h"

#include <algorithm>
#include <sstream>

namespace launcher::pack {

std::string describeExecutable(const Bytes& file, const std::optional<std::string>& upgradeCode) {
    PeImage image = readPeImage(file);
    ResourceList resources = readResources(image);
    std::ostringstream out;
    out << "format: " << (image.pe32Plus ? "PE32+ (64-bit)" : "PE32 (32-bit)") << "\n";
    out << "signature: " << (image.hasSignature() ? "present" : "none") << "\n";
    // A damaged part is reported as such; the rest is still worth showing.
    try {
        std::vector<std::string> icons = iconSizes(resources);
        if (icons.empty()) out << "icon: none\n";
        for (const std::string& sizes : icons) out << "icon: " << sizes << "\n";
    } catch (const PackError& e) {
        out << "icon: unreadable (" << e.what() << ")\n";
    }
    auto version = std::find_if(resources.begin(), resources.end(),
                                [](const Resource& r) { return r.type == ResourceName{kRtVersion, {}}; });
    if (version == resources.end()) out << "version information: none\n";
    else try {
        VersionInfo info = readVersionInfo(version->data);
        out << "file version: " << versionText(info.fileVersion) << "\n";
        out << "product version: " << versionText(info.productVersion) << "\n";
        for (const auto& [key, value] : info.strings) out << "  " << toUtf8(key) << ": " << toUtf8(value) << "\n";
    } catch (const PackError& e) {
        out << "version information: unreadable (" << e.what() << ")\n";
    }
    bool key = hasResource(resources, kRtRcData, kEmbeddedKeyResource);
    bool settings = hasResource(resources, kRtRcData, kEmbeddedSettingsResource);
    out << "embedded configuration: resource 9000 " << (key ? "present" : "absent") << ", resource 8000 "
        << (settings ? "present" : "absent") << "\n";
    if (upgradeCode) {
        checkUpgradeCode(*upgradeCode);
        std::string text = readEmbeddedSettings(resources, *upgradeCode);
        out << "embedded settings (upgrade code " << *upgradeCode << "):\n";
        if (settings && !upgradeCodeFits(resources, *upgradeCode)) {
            out << "  not readable: the upgrade code does not fit this executable\n";
        } else {
            out << text;
            if (!text.empty() && !text.ends_with("\n")) out << "\n";
        }
    }
    return out.str();
}

std::string describeInstallerPackage(const Bytes& file) {
    std::vector<std::u16string> names = compoundFileNames(file);
    // Authenticode keeps a package's signature in a stream of its own.
    bool signature = std::find(names.begin(), names.end(), u"\x05" "DigitalSignature") != names.end();
    return std::string("format: Windows Installer package\n") + "signature: " + (signature ? "present" : "none") + "\n";
}

} // namespace launcher::pack
