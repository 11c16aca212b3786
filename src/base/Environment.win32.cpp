#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/TrustedExpansion.h"
#include "base/Wide.win32.h"

#include <windows.h>

#include <cstdlib>

namespace launcher {

bool setEnvironmentVariable(std::u16string_view name, std::u16string_view value) {
    std::u16string key(name);
    std::u16string text(value);
    noteLauncherVariable(name, value);
    return SetEnvironmentVariableW(wide(key), wide(text)) != 0;
}

bool unsetEnvironmentVariable(std::u16string_view name) {
    std::u16string key(name);
    // The C runtime keeps a copy of the environment, taken at start, that
    // getenv reads, in this program and in every library that shares its C
    // runtime: "NAME=" takes the variable out of that copy (and of the
    // system's block).
    noteLauncherVariable(name, std::nullopt);
    std::u16string removal = key + u"=";
    _wputenv(wide(removal));
    return SetEnvironmentVariableW(wide(key), nullptr) != 0;
}

namespace {

// ExpandEnvironmentStringsW takes and gives at most this many characters
// (the terminating zero included); Wine cuts a longer text there. A class
// path of many jars is longer.
constexpr size_t kSystemExpansionLimit = 32767;

} // namespace

void expandEnvironment(std::u16string& text) {
    if (expansionRestricted()) {
        text = expandReferences(text, lookupTrustedVariable);
        return;
    }
    // Beyond the system's limit the same rule runs here, reading the
    // variables one by one.
    if (text.size() >= kSystemExpansionLimit) {
        text = expandReferences(text, getEnvironmentVariable);
        return;
    }
    DWORD size = ExpandEnvironmentStringsW(wide(text), nullptr, 0);
    if (size == 0) return;
    if (size > kSystemExpansionLimit) {
        text = expandReferences(text, getEnvironmentVariable);
        return;
    }
    std::u16string buffer;
    for (;;) {
        buffer.assign(size, u'\0');
        DWORD needed = ExpandEnvironmentStringsW(wide(text), wide(buffer), size);
        if (needed == 0) return;
        if (needed <= size) break;
        // A variable grew between the two calls; the size asked for first
        // would cut the text.
        size = needed;
    }
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    text = std::move(buffer);
}

} // namespace launcher
