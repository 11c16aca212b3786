#include "Branding.h"

#include "EmbeddedConfig.h"
#include "IconFile.h"
#include "PeWriter.h"

#include "base/Text.h"

namespace launcher::pack {

namespace {

// Parsers speak of the file they read; this says which input that was.
template <typename Step>
auto forInput(const std::string& input, Step step) {
    try {
        return step();
    } catch (const PackError& e) {
        throw PackError(input + ": " + e.what());
    }
}

void setVersion(ResourceList& resources, const Branding& branding) {
    uint16_t language = 0x409;
    for (const Resource& r : resources) {
        if (r.type == ResourceName{kRtVersion, {}}) language = r.language;
    }
    std::erase_if(resources, [](const Resource& r) { return r.type == ResourceName{kRtVersion, {}}; });
    VersionInfo info{branding.version, branding.version, versionStrings(branding)};
    resources.push_back({{kRtVersion, {}}, {1, {}}, language, 0, buildVersionInfo(info)});
}

} // namespace

VersionStrings versionStrings(const Branding& b) {
    VersionStrings strings;
    auto add = [&](const char* key, const std::string& value) {
        if (!value.empty()) strings.emplace_back(fromAscii(key), fromUtf8(value));
    };
    add("CompanyName", b.vendor);
    add("FileDescription", b.description.empty() ? b.name : b.description);
    add("FileVersion", versionText(b.version));
    const std::string& file = b.fileName.empty() ? b.name : b.fileName;
    add("InternalName", file);
    add("LegalCopyright", b.copyright);
    add("OriginalFilename", file + ".exe");
    add("ProductName", b.name);
    add("ProductVersion", versionText(b.version));
    return strings;
}

Bytes brandExecutable(const Bytes& launcher, const Branding& branding) {
    const std::string& input = branding.inputOption;
    PeImage image = forInput(input, [&] { return readPeImage(launcher); });
    if (image.hasSignature()) {
        throw PackError(input + ": the file is signed; package the unsigned launcher first and sign the result afterwards");
    }
    ResourceList resources = forInput(input, [&] { return readResources(image); });
    if (branding.icon) {
        auto images = forInput("--icon", [&] { return readIconFile(*branding.icon); });
        forInput("--icon", [&] { replaceIcon(resources, images); });
    }
    setVersion(resources, branding);
    if (branding.embeddedIni) {
        forInput("--embed", [&] { embedSettings(resources, branding.upgradeCode, *branding.embeddedIni); });
    }
    Bytes result = forInput(input, [&] { return withResources(image, resources); });
    // What was written must read back whole; anything else is a fault here.
    forInput("result", [&] { readResources(readPeImage(result)); });
    return result;
}

} // namespace launcher::pack
