#pragma once
// The Linux port's registered runtimes: each runtime folder under the
// folders that distributions install into, presented under the registry
// root of its kind and vendor, with the version of its "release" file as
// the subkey name.

#include "jre/RuntimeRegistry.h"

namespace launcher {

struct FolderRuntime {
    std::u16string version; // JAVA_VERSION of the release file
    std::u16string home;    // the folder, ending in "/"
    size_t root;            // registry root of its kind and vendor
};

// The root of a runtime: JDK when it has bin/javac; vendor from the
// release file's IMPLEMENTOR where it names IBM or JRockit, Sun otherwise.
size_t rootForRuntime(bool isJdk, std::u16string_view implementor);

// A "release" file's value of key, without its quotes; empty when absent.
std::u16string releaseValue(std::string_view releaseText, std::string_view key);

// Every runtime folder directly under the base folders, real folders
// before links, by name.
std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders);

std::unique_ptr<RuntimeRegistry> openFolderRegistry(const TextList& baseFolders);

} // namespace launcher
