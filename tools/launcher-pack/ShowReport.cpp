#include "ShowReport.h"

#include "Arm64Sibling.h"
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
    out << "machine: " << machineText(image.machine) << "\n";
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

namespace {

// The text after label on the first line that holds it, up to that line's end.
std::optional<std::string> after(const std::string& text, const std::string& label, size_t from = 0) {
    size_t at = text.find(label, from);
    if (at == std::string::npos) return std::nullopt;
    at += label.size();
    std::string value = text.substr(at, text.find('\n', at) - at);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    return value;
}

} // namespace

std::string signatureLines(const std::string& verifyReport) {
    size_t signer = verifyReport.find("Signer's certificate:");
    auto subject = signer == std::string::npos ? std::nullopt : after(verifyReport, "Subject: ", signer);
    if (!subject) return "  details: osslsigncode cannot read the signature\n";
    std::string lines = "  signer: " + *subject + "\n";
    // 2.9 lists the time stamp among the countersignatures, 2.5 in a line of its own.
    auto stamp = after(verifyReport, "\tTimestamp time: ");
    if (!stamp) stamp = after(verifyReport, "The signature is timestamped: ");
    lines += "  time stamp: " + stamp.value_or("none") + "\n";
    return lines;
}

std::string withSignatureDetails(std::string report, const std::string& details) {
    const std::string line = "signature: present\n";
    size_t at = report.find(line);
    if (at != std::string::npos) report.insert(at + line.size(), details);
    return report;
}

} // namespace launcher::pack
