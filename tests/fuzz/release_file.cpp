// Feeds arbitrary "release" files of a runtime folder to the reading of its
// values, as any file a user or a broken package leaves there may be, and
// checks what a reading must give.

#include "FuzzCheck.h"
#include "jre/FolderRegistry.posix.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace launcher;

namespace {

// The first line of the text that begins with key and "=": where the value
// comes from, or nothing.
bool hasKeyLine(std::string_view text, std::string_view key) {
    const std::string marker = std::string(key) + "=";
    if (text.starts_with(marker)) return true;
    return text.find("\n" + marker) != std::string_view::npos;
}

// A value as a release file writes it: on one line, quoted, without the
// blanks and carriage returns the reading trims from the line's end.
std::string plainValue(std::string_view text) {
    std::string value(text.substr(0, 48));
    std::erase_if(value, [](char c) { return c == '\n' || c == '"'; });
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.pop_back();
    return value;
}

void checkKey(std::string_view text, std::string_view key) {
    const std::u16string value = releaseValue(text, key);
    if (!hasKeyLine(text, key)) FUZZ_CHECK(value.empty());
    // The value never reaches beyond its own line.
    FUZZ_CHECK(value.find(u'\n') == std::u16string::npos);

    // A line put first is the one found; one put last only when the key
    // had no line before it.
    const std::string written = plainValue(text);
    const std::u16string expected = fromUtf8(written);
    const std::string line = std::string(key) + "=\"" + written + "\"";
    FUZZ_CHECK(releaseValue(line + "\n" + std::string(text), key) == expected);
    FUZZ_CHECK(releaseValue(line + "\r\n" + std::string(text), key) == expected);
    const std::string appended = std::string(text) + "\n" + line;
    FUZZ_CHECK(releaseValue(appended, key) == (hasKeyLine(text, key) ? value : expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkKey(text, "JAVA_VERSION");
    checkKey(text, "IMPLEMENTOR");
    // A key the file itself names on its first line.
    const size_t equals = text.find('=');
    const std::string_view key = text.substr(0, std::min(equals, text.find('\n')));
    if (!key.empty() && key.find('=') == std::string_view::npos) checkKey(text, key);
    return 0;
}
