// embed-config: writes the two RCDATA resources that carry an application's
// embedded configuration in the Windows launcher.
//
//   embed-config <upgrade-code> <key-text> <settings.ini> <key.bin> <settings.bin>
//
// key.bin (resource 9000) is the key text as UTF-16LE, enciphered with the
// upgrade code; settings.bin (resource 8000) is the UTF-8 settings file as
// UTF-16LE with CR LF line ends, enciphered with the key text. Add them to
// the launcher's resource script:
//
//   9000 RCDATA "key.bin"
//   8000 RCDATA "settings.bin"

#include "config/EmbeddedSettings.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace launcher;

namespace {

// The launcher hashes key texts in the user's ANSI code page; only ASCII
// gives the same bytes on every machine.
bool isPrintableAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

bool readFile(const char* path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeFile(const char* path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Every line end (CR LF, CR or LF) becomes CR LF: the launcher splits the
// embedded text at CR LF only.
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

int fail(const char* message, const char* detail = "") {
    std::fprintf(stderr, "embed-config: %s%s\n", message, detail);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: embed-config <upgrade-code> <key-text> <settings.ini> <key.bin> <settings.bin>\n");
        return 2;
    }
    std::string_view upgradeCode = argv[1];
    std::string_view keyText = argv[2];
    if (!isPrintableAscii(upgradeCode) || !isPrintableAscii(keyText)) {
        return fail("the upgrade code and the key text must be printable ASCII");
    }
    std::string settings;
    if (!readFile(argv[3], settings)) return fail("cannot read ", argv[3]);
    if (settings.starts_with("\xEF\xBB\xBF")) settings.erase(0, 3);
    if (toUtf8(fromUtf8(settings)) != settings) return fail("not UTF-8: ", argv[3]);

    std::u16string key = fromAscii(keyText);
    Bytes keyResource = decipherPortable(fromAscii(upgradeCode), textToBytes(key));
    Bytes settingsResource = decipherPortable(key, textToBytes(withCrLf(fromUtf8(settings))));
    if (!writeFile(argv[4], keyResource)) return fail("cannot write ", argv[4]);
    if (!writeFile(argv[5], settingsResource)) return fail("cannot write ", argv[5]);
    return 0;
}
