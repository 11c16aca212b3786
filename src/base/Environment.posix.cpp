#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/RawVariable.posix.h"
#include "base/TrustedExpansion.h"

#include <unistd.h>

namespace launcher {

namespace {

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
