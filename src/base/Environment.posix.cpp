#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/TrustedExpansion.h"

#include <cstdlib>
#include <unistd.h>

namespace launcher {

namespace {

// Names that the C library cannot look up or set: empty, or holding "="
// or a zero.
bool isUsableName(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view("=\0", 2)) == std::string_view::npos;
}

// A name as written first; otherwise the first variable whose name matches
// it without regard to case, as Windows compares names.
std::optional<std::u16string> lookupAnyCase(std::u16string_view name) {
    std::optional<std::u16string> exact = getEnvironmentVariable(name);
    if (exact) return exact;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        if (equalsIgnoreCase(fromNarrow(text.substr(0, equals)), name)) return fromNarrow(text.substr(equals + 1));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::u16string> getEnvironmentVariable(std::u16string_view name) {
    std::string key = toNarrow(name);
    if (!isUsableName(key)) return std::nullopt;
    const char* value = std::getenv(key.c_str());
    if (!value) return std::nullopt;
    return fromNarrow(value);
}

bool setEnvironmentVariable(std::u16string_view name, std::u16string_view value) {
    std::string key = toNarrow(name);
    if (!isUsableName(key)) return false;
    noteLauncherVariable(name, value);
    return setenv(key.c_str(), toNarrow(value).c_str(), 1) == 0;
}

bool unsetEnvironmentVariable(std::u16string_view name) {
    std::string key = toNarrow(name);
    if (!isUsableName(key)) return false;
    noteLauncherVariable(name, std::nullopt);
    return unsetenv(key.c_str()) == 0;
}

void expandEnvironment(std::u16string& text) {
    if (expansionRestricted()) {
        text = expandReferences(text, lookupTrustedVariable);
        return;
    }
    text = expandReferences(text, lookupAnyCase);
}

} // namespace launcher
