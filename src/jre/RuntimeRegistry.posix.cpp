#include "jre/FolderRegistry.posix.h"

#include <algorithm>

namespace launcher {

namespace {

class FolderRegistry : public RuntimeRegistry {
public:
    explicit FolderRegistry(std::vector<FolderRuntime> runtimes) : runtimes_(std::move(runtimes)) {}

    TextList subkeyNames(size_t root) override {
        TextList names;
        for (const FolderRuntime& r : runtimes_) {
            // One subkey per version and root, as in a registry: folders of
            // the same version are the same runtime to the search.
            if (r.root == root && std::find(names.begin(), names.end(), r.version) == names.end()) {
                names.push_back(r.version);
            }
        }
        return names;
    }

    std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) override {
        for (const FolderRuntime& r : runtimes_) {
            if (r.root == root && r.version == name) return r.home;
        }
        return std::nullopt;
    }

private:
    std::vector<FolderRuntime> runtimes_;
};

} // namespace

std::unique_ptr<RuntimeRegistry> openFolderRegistry(const TextList& baseFolders, const TextList& homes) {
    return std::make_unique<FolderRegistry>(scanRuntimeFolders(baseFolders, homes));
}

// Linux keeps no separate registry of 32-bit runtimes: that view is empty.
std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view, bool includeUserSources) {
    if (view != RegistryView::Native) return openFolderRegistry({});
    const FolderEnvironment env = readFolderEnvironment(includeUserSources);
    return openFolderRegistry(posixRuntimeFolders(env), nestedRuntimeHomes(env));
}

} // namespace launcher
