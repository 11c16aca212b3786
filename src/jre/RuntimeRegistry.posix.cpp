#include "jre/FolderRegistry.posix.h"
#include "base/Descriptor.posix.h"
#include "base/FileFinder.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace launcher {

namespace {

// Where Linux distributions and vendors' archives put Java runtimes.
const TextList& defaultRuntimeFolders() {
    static const TextList folders = {u"/usr/lib/jvm", u"/usr/lib64/jvm", u"/usr/java", u"/usr/local/java",
                                     u"/opt/java"};
    return folders;
}

struct Entry {
    std::string name;
    bool isLink;
};

std::vector<Entry> runtimeFolderEntries(const std::string& base) {
    std::vector<Entry> entries;
    DIR* dir = opendir(base.c_str());
    if (!dir) return entries;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        // The entry's type usually comes with it; only links and file
        // systems that do not report types need a look at the target.
        bool isLink = e->d_type == DT_LNK;
        if (e->d_type != DT_DIR) {
            struct stat target{};
            if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
            std::string path = base + "/" + name;
            if (stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) continue;
            if (e->d_type == DT_UNKNOWN) {
                struct stat self{};
                isLink = lstat(path.c_str(), &self) == 0 && S_ISLNK(self.st_mode);
            }
        }
        entries.push_back({name, isLink});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.isLink != b.isLink ? !a.isLink : a.name < b.name;
    });
    return entries;
}

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

size_t rootForRuntime(bool isJdk, std::u16string_view implementor) {
    std::u16string vendor;
    for (char16_t c : implementor) vendor.push_back(foldCase(c));
    if (vendor.find(u"ibm") != std::u16string::npos) return 6;
    if (vendor.find(u"jrockit") != std::u16string::npos || vendor.find(u"bea") != std::u16string::npos) {
        return isJdk ? 5 : 4;
    }
    return isJdk ? 0 : 1;
}

std::u16string releaseValue(std::string_view text, std::string_view key) {
    size_t p = 0;
    while (p < text.size()) {
        size_t end = text.find('\n', p);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(p, end - p);
        p = end + 1;
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=') continue;
        std::string_view value = line.substr(key.size() + 1);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.remove_suffix(1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return fromUtf8(value);
    }
    return {};
}

std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders) {
    std::vector<FolderRuntime> runtimes;
    for (const std::u16string& base16 : baseFolders) {
        std::string base = toNarrow(base16);
        for (const Entry& entry : runtimeFolderEntries(base)) {
            std::string home = base + "/" + entry.name + "/";
            std::string release;
            if (readWholeFile(home + "release", release) != 0) continue;
            std::u16string version = releaseValue(release, "JAVA_VERSION");
            if (version.empty()) continue;
            bool isJdk = pathExists(fromNarrow(home + "bin/javac"));
            runtimes.push_back({version, fromNarrow(home), rootForRuntime(isJdk, releaseValue(release, "IMPLEMENTOR"))});
        }
    }
    return runtimes;
}

std::unique_ptr<RuntimeRegistry> openFolderRegistry(const TextList& baseFolders) {
    return std::make_unique<FolderRegistry>(scanRuntimeFolders(baseFolders));
}

// Linux keeps no separate registry of 32-bit runtimes: that view is empty.
std::unique_ptr<RuntimeRegistry> openRuntimeRegistry(RegistryView view) {
    return openFolderRegistry(view == RegistryView::Native ? defaultRuntimeFolders() : TextList());
}

} // namespace launcher
