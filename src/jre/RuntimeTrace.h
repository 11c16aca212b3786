#pragma once
// The runtime search in the launch trace: every runtime the search meets,
// where it was found, and why it was taken or passed over, in words that
// support staff can act on without reading the search's code.

#include "jre/RuntimeSelection.h"

#include <optional>

namespace launcher {

struct TracedRuntime {
    std::u16string source;  // the registry key or folder it was found in
    RuntimeKind kind;
    RuntimeVendor vendor;
    std::u16string version; // as its source gives it
};

std::u16string_view kindName(RuntimeKind kind);
std::u16string_view vendorName(RuntimeVendor vendor);

// Why runtimes of that kind and vendor are not searched under the criteria
// ("JVM Source", "VM Provider"); empty when they are.
std::u16string searchRejection(RuntimeKind kind, RuntimeVendor vendor, const RuntimeCriteria& criteria);
// Why a version is outside "Minimum Version" and "Maximum Version"; empty
// when it is inside. text is the version as its source wrote it.
std::u16string boundsRejection(const VersionNumber& version, std::u16string_view text, const RuntimeCriteria& criteria);
// Why no library was found under home for the type ("JVM Type").
std::u16string libraryRejection(std::u16string_view home, JvmTypeCode type);
// The flavour of a runtime library path: the name of its folder.
std::u16string flavourOfLibrary(std::u16string_view libraryPath);

// Where a registry runtime is registered: "HKLM\<root key><name>" on
// Windows; on Linux the roots only sort folders by kind and vendor, so the
// home folder stands for it.
std::u16string registrySource(const RegistryRoot& root, std::u16string_view name,
                              const std::optional<std::u16string>& home);

// The trace line of one runtime and the search's verdict on it (pure).
std::u16string runtimeTraceText(const TracedRuntime& runtime, std::u16string_view verdict);
void traceRuntime(const TracedRuntime& runtime, std::u16string_view verdict);

} // namespace launcher
