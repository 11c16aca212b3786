#include "config/EmbeddedSettings.h"

#include "base/Md5.h"
#include "base/Rc4.h"

#include <mutex>
#include <optional>
#include <utility>

namespace launcher {

std::u16string bytesToText(const Bytes& bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

Bytes textToBytes(std::u16string_view text) {
    Bytes bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

std::string keyTextBytes(std::u16string_view keyText) {
    // The key is handed over as a zero-terminated string; a deciphered
    // intermediate text may carry its terminator along.
    keyText = keyText.substr(0, keyText.find(u'\0'));
    return toNarrow(keyText);
}

Bytes decipherPortable(std::u16string_view keyText, Bytes data) {
    // The base provider keeps 40 bits of the MD5 digest as the RC4 key and
    // pads it with eleven zero bytes to the 128-bit key it actually uses.
    Md5Digest digest = md5(keyTextBytes(keyText));
    uint8_t key[16] = {};
    for (int i = 0; i < 5; ++i) key[i] = digest[i];
    Rc4 cipher(key);
    cipher.apply(data);
    return data;
}

std::u16string readEmbeddedSettingsText(std::u16string_view upgradeCode) {
    // Several steps of a start read the embedded settings; the executable's
    // resources do not change while it runs, so they are deciphered once.
    static std::mutex mutex;
    static std::optional<std::pair<std::u16string, std::u16string>> last; // upgrade code, text
    std::lock_guard<std::mutex> lock(mutex);
    if (last && last->first == upgradeCode) return last->second;
    std::u16string intermediate = bytesToText(decipher(upgradeCode, loadOwnResource(kEmbeddedKeyResource)));
    std::u16string text = bytesToText(decipher(intermediate, loadOwnResource(kEmbeddedSettingsResource)));
    last.emplace(std::u16string(upgradeCode), text);
    return text;
}

} // namespace launcher
