// Feeds arbitrary resource bytes to the reading of the embedded
// configuration (two decipherings, then the INI text), and arbitrary
// settings through the way the tool enciphers them and the launcher reads
// them back.

#include "FuzzCheck.h"
#include "config/EmbeddedSettings.h"
#include "config/IniSectionMap.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace launcher;

namespace {

struct Input {
    const uint8_t* data;
    size_t size;

    // The next piece, as long as its first byte says.
    Bytes take() {
        if (size == 0) return {};
        const size_t length = std::min<size_t>(data[0], size - 1);
        Bytes piece(data + 1, data + 1 + length);
        data += 1 + length;
        size -= 1 + length;
        return piece;
    }
    Bytes rest() { return Bytes(data, data + size); }
};

std::u16string asciiKey(const Bytes& bytes) {
    std::u16string key;
    for (uint8_t b : bytes) key.push_back(static_cast<char16_t>(0x20 + b % 0x5F));
    return key;
}

// As the launcher reads its resources: the key text from resource 9000 with
// the upgrade code, then the settings from resource 8000 with the key text.
std::u16string readSettings(std::u16string_view upgradeCode, const Bytes& keyResource, const Bytes& settingsResource) {
    const std::u16string keyText = bytesToText(decipherPortable(upgradeCode, keyResource));
    return bytesToText(decipherPortable(keyText, settingsResource));
}

// Whatever the resources decipher to, the map holds trimmed single-line
// entries, and a lookup finds the first entry of the first section.
void checkMap(const IniSectionMap& map) {
    for (const IniSectionMap::Section& section : map.sections()) {
        FUZZ_CHECK(section.name.find(u"\r\n") == std::u16string::npos);
        for (const IniSectionMap::Entry& entry : section.entries) {
            FUZZ_CHECK(entry.key.find(u'=') == std::u16string::npos);
            FUZZ_CHECK(entry.value.find(u"\r\n") == std::u16string::npos);
            FUZZ_CHECK(trimWhitespace(entry.key) == entry.key && trimWhitespace(entry.value) == entry.value);
        }
    }
    if (map.sections().empty() || map.sections().front().entries.empty()) return;
    IniSectionMap copy = map;
    const IniSectionMap::Section& first = map.sections().front();
    std::u16string value = u"\uFFFF";
    copy.getString(first.name, first.entries.front().key, value);
    FUZZ_CHECK(value == first.entries.front().value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input{data, size};
    const std::u16string upgradeCode = asciiKey(input.take());
    const Bytes keyResource = input.take();
    const Bytes settingsResource = input.rest();

    // Hostile or damaged resources: each pass keeps the length, and the
    // text loads without harm.
    const Bytes keyBytes = decipherPortable(upgradeCode, keyResource);
    FUZZ_CHECK(keyBytes.size() == keyResource.size());
    const std::u16string keyText = bytesToText(keyBytes);
    const Bytes settingsBytes = decipherPortable(keyText, settingsResource);
    FUZZ_CHECK(settingsBytes.size() == settingsResource.size());
    const std::u16string text = bytesToText(settingsBytes);
    FUZZ_CHECK(text.size() == settingsResource.size() / 2 && textToBytes(text).size() == text.size() * 2);
    IniSectionMap map;
    map.loadFromText(text);
    checkMap(map);

    // The key text is used up to its first zero unit, as a C string is.
    const size_t zero = keyText.find(u'\0');
    if (zero != std::u16string::npos) {
        FUZZ_CHECK(decipherPortable(keyText.substr(0, zero), settingsResource) == settingsBytes);
    }

    // Settings enciphered with that key text, as the packaging tool does,
    // read back unchanged through the same resources.
    const std::u16string settings = bytesToText(settingsResource);
    const Bytes stored = decipherPortable(keyText, textToBytes(settings));
    FUZZ_CHECK(readSettings(upgradeCode, keyResource, stored) == settings);
    return 0;
}
