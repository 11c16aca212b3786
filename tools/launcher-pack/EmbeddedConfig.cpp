#include "EmbeddedConfig.h"

#include "base/Md5.h"
#include "base/Text.h"
#include "config/EmbeddedSettings.h"

#include <algorithm>

namespace launcher::pack {

namespace {

// The launcher splits the embedded text at CR LF only.
std::u16string withCrLf(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') {
            out.push_back(text[i]);
            continue;
        }
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        out.append(u"\r\n");
    }
    return out;
}

// The key text is derived from the upgrade code and the settings, so that
// packaging the same input twice gives the same bytes.
std::string keyTextFor(std::string_view upgradeCode, std::string_view settings) {
    std::string material(upgradeCode);
    material.push_back('\0');
    material.append(settings);
    std::string key;
    for (uint8_t byte : md5(material)) {
        key.push_back("0123456789abcdef"[byte >> 4]);
        key.push_back("0123456789abcdef"[byte & 15]);
    }
    return key;
}

const Resource* findResource(const ResourceList& resources, uint16_t type, uint16_t id) {
    // Language neutral first, as the launcher falls back to it.
    const Resource* found = nullptr;
    for (const Resource& r : resources) {
        if (r.type == ResourceName{type, {}} && r.name == ResourceName{id, {}} && (!found || r.language == 0)) found = &r;
    }
    return found;
}

} // namespace

void checkUpgradeCode(std::string_view code) {
    bool printable = std::all_of(code.begin(), code.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    auto edge = [](char c) { return c == ' ' || c == '"' || c == '\''; };
    if (code.empty() || !printable || edge(code.front()) || edge(code.back())) {
        throw PackError("the upgrade code must be printable ASCII without blanks or quotation marks at its ends");
    }
}

void embedSettings(ResourceList& resources, std::string_view upgradeCode, std::string_view iniFile) {
    checkUpgradeCode(upgradeCode);
    std::string settings(iniFile);
    if (settings.starts_with("\xEF\xBB\xBF")) settings.erase(0, 3);
    if (toUtf8(fromUtf8(settings)) != settings) throw PackError("the settings file is not UTF-8 text");
    std::u16string key = fromAscii(keyTextFor(upgradeCode, settings));
    Bytes keyResource = decipherPortable(fromAscii(upgradeCode), textToBytes(key));
    Bytes settingsResource = decipherPortable(key, textToBytes(withCrLf(fromUtf8(settings))));
    std::erase_if(resources, [](const Resource& r) {
        return r.type == ResourceName{kRtRcData, {}} &&
               (r.name == ResourceName{kEmbeddedKeyResource, {}} || r.name == ResourceName{kEmbeddedSettingsResource, {}});
    });
    resources.push_back({{kRtRcData, {}}, {kEmbeddedKeyResource, {}}, 0, 0, std::move(keyResource)});
    resources.push_back({{kRtRcData, {}}, {kEmbeddedSettingsResource, {}}, 0, 0, std::move(settingsResource)});
}

std::string readEmbeddedSettings(const ResourceList& resources, std::string_view upgradeCode) {
    const Resource* key = findResource(resources, kRtRcData, kEmbeddedKeyResource);
    const Resource* settings = findResource(resources, kRtRcData, kEmbeddedSettingsResource);
    if (!settings) return {};
    std::u16string keyText = bytesToText(decipherPortable(fromAscii(upgradeCode), key ? key->data : Bytes{}));
    std::u16string text = bytesToText(decipherPortable(keyText, settings->data));
    std::erase(text, u'\r');
    return toUtf8(text);
}

bool upgradeCodeFits(const ResourceList& resources, std::string_view upgradeCode) {
    const Resource* key = findResource(resources, kRtRcData, kEmbeddedKeyResource);
    if (!key) return false;
    std::u16string keyText = bytesToText(decipherPortable(fromAscii(upgradeCode), key->data));
    return !keyText.empty() && std::all_of(keyText.begin(), keyText.end(), [](char16_t c) { return c >= 0x20 && c <= 0x7E; });
}

bool hasResource(const ResourceList& resources, uint16_t type, uint16_t id) {
    return findResource(resources, type, id) != nullptr;
}

} // namespace launcher::pack
