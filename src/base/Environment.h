#pragma once
// Process environment: setting and removing variables, and expanding %NAME%
// references the way the platform's ExpandEnvironmentStrings does.

#include "base/Text.h"

#include <optional>

namespace launcher {

// Reading a variable by name: readVariable (VariableTable.h), which holds
// every name the launcher reads and what an elevated start does with each.
// Sets the variable for this process and the children it starts; an empty
// value is a value, not a removal.
bool setEnvironmentVariable(std::u16string_view name, std::u16string_view value);
bool unsetEnvironmentVariable(std::u16string_view name);

// Replaces every %NAME% whose variable is defined (names compared without
// regard to case) with its value; undefined references and lone percent
// signs stay as written; values are not expanded again. When the platform
// cannot expand the text, it stays unchanged.
void expandEnvironment(std::u16string& text);
std::u16string expandEnvironmentCopy(std::u16string_view text);

// The expansion rule itself, over a lookup function that gives the value of
// a name or nothing. The Linux port expands with it; on Windows the system
// does, and the tests hold the two against each other.
template <typename Lookup>
std::u16string expandReferences(std::u16string_view text, Lookup lookup) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t close = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string_view::npos;
        if (close == std::u16string_view::npos) {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        std::u16string_view name = text.substr(i + 1, close - i - 1);
        std::optional<std::u16string> value;
        if (!name.empty()) value = lookup(name);
        // An undefined reference is copied whole, both percent signs
        // included, and the scan goes on after it.
        out.append(value ? std::u16string_view(*value) : text.substr(i, close - i + 1));
        i = close + 1;
    }
    return out;
}

} // namespace launcher
