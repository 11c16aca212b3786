#pragma once
// The installed runtimes as installers registered them: on Windows the
// registry keys of the runtime vendors, on Linux the runtime folders that
// distributions install into, presented as the same roots and subkeys.

#include "jre/JvmLibrary.h"
#include "jre/RuntimeSelection.h"

#include <memory>

namespace launcher {

enum class RegistryView { Native, Wow32 };

class RuntimeRegistry {
public:
    virtual ~RuntimeRegistry() = default;
    // Subkey names of a root in enumeration order; none when the root
    // cannot be opened.
    virtual TextList subkeyNames(size_t root) = 0;
    // The "JavaHome" value of root\name; nothing when the key cannot be
    // opened or the value is missing or empty.
    virtual std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) = 0;
};

std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view);

// One registry pass: every subkey of the searched roots whose name lies
// within the bounds and whose home holds a library becomes a candidate;
// the candidates are ranked and one home chosen.
using LibraryProbe = JvmLibrary (*)(std::u16string_view home, JvmTypeCode type);
std::vector<JreCandidate> collectCandidates(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                            LibraryProbe probe = &findJvmLibrary);
std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe = &findJvmLibrary);

} // namespace launcher
