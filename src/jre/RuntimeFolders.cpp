#include "jre/RuntimeFolders.h"
#include "base/Environment.h"
#include "base/FileFinder.h"
#include "base/Platform.h"
#include "jre/JvmLibrary.h"

#include <algorithm>

namespace launcher {

namespace {

std::u16string folded(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) out.push_back(foldCase(c));
    return out;
}

bool contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

std::u16string joined(std::u16string_view folder, std::u16string_view name) {
    std::u16string path = withTrailingSeparator(folder);
    path.append(name);
    return path;
}

// The folder names the OpenJDK installers create under Program Files.
constexpr std::u16string_view kVendorFolders[] = {
    u"Java",      u"Eclipse Adoptium", u"Eclipse Foundation", u"AdoptOpenJDK", u"Microsoft", u"Zulu",
    u"BellSoft",  u"Amazon Corretto",  u"SapMachine",         u"Semeru",       u"RedHat",
};

void appendVendorFolders(TextList& out, const std::optional<std::u16string>& base, std::u16string_view below) {
    if (!base || base->empty()) return;
    std::u16string parent = below.empty() ? *base : joined(*base, below);
    for (std::u16string_view name : kVendorFolders) out.push_back(joined(parent, name));
}

} // namespace

size_t rootForRuntime(bool isJdk, std::u16string_view implementor) {
    switch (vendorForRuntime(implementor, {})) {
    case RuntimeVendor::Ibm: return 6;
    case RuntimeVendor::JRockit: return isJdk ? 5 : 4;
    case RuntimeVendor::Sun: break;
    }
    return isJdk ? 0 : 1;
}

RuntimeVendor vendorForRuntime(std::u16string_view implementor, std::u16string_view jvmVariant) {
    std::u16string vendor = folded(implementor);
    if (contains(vendor, u"ibm") || contains(vendor, u"openj9") || contains(folded(jvmVariant), u"openj9")) {
        return RuntimeVendor::Ibm;
    }
    if (contains(vendor, u"jrockit") || contains(vendor, u"bea")) return RuntimeVendor::JRockit;
    return RuntimeVendor::Sun;
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

std::u16string releaseVersion(std::u16string_view home) {
    std::optional<std::string> text = readSmallFile(joined(home, u"release"), kReleaseFileLimit);
    return text ? releaseValue(*text, "JAVA_VERSION") : std::u16string();
}

std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders) {
    static constexpr std::u16string_view kCompiler = kWindows ? u"bin\\javac.exe" : u"bin/javac";
    std::vector<FolderRuntime> runtimes;
    for (const std::u16string& base : baseFolders) {
        std::vector<FolderEntry> entries = listSubfolders(base);
        // A link (SDKMAN's "current") names a runtime that is usually also
        // there under its own name: the real folders come first.
        std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
            return a.isLink != b.isLink ? !a.isLink : a.name < b.name;
        });
        for (const FolderEntry& entry : entries) {
            std::u16string home = withTrailingSeparator(joined(base, entry.name));
            std::optional<std::string> release = readSmallFile(home + u"release", kReleaseFileLimit);
            if (!release) continue;
            std::u16string version = releaseValue(*release, "JAVA_VERSION");
            if (version.empty()) continue;
            bool isJdk = pathExists(home + std::u16string(kCompiler));
            std::u16string implementor = releaseValue(*release, "IMPLEMENTOR");
            RuntimeVendor vendor = vendorForRuntime(implementor, releaseValue(*release, "JVM_VARIANT"));
            runtimes.push_back({std::move(version), std::move(home), rootForRuntime(isJdk, implementor),
                                isJdk ? RuntimeKind::Jdk : RuntimeKind::Jre, vendor});
        }
    }
    return runtimes;
}

TextList presentFolders(const TextList& folders) {
    std::vector<std::pair<std::u16string, std::vector<FolderEntry>>> listed;
    TextList present;
    for (const std::u16string& folder : folders) {
        size_t cut = folder.rfind(kPathSeparator);
        if (cut == std::u16string::npos || cut + 1 == folder.size()) continue;
        std::u16string parent = folder.substr(0, cut);
        auto at = std::find_if(listed.begin(), listed.end(), [&](const auto& p) { return p.first == parent; });
        if (at == listed.end()) at = listed.insert(listed.end(), {parent, listSubfolders(parent)});
        std::u16string_view name = std::u16string_view(folder).substr(cut + 1);
        bool found = std::any_of(at->second.begin(), at->second.end(), [&](const FolderEntry& e) {
            return kWindows ? equalsIgnoreCase(e.name, name) : e.name == name;
        });
        if (found) present.push_back(folder);
    }
    return present;
}

FolderEnvironment readFolderEnvironment() {
    FolderEnvironment env;
    if (kWindows) {
        env.programFiles = getEnvironmentVariable(u"ProgramFiles");
        env.programFilesX86 = getEnvironmentVariable(u"ProgramFiles(x86)");
        env.localAppData = getEnvironmentVariable(u"LOCALAPPDATA");
        env.userProfile = getEnvironmentVariable(u"USERPROFILE");
    } else {
        env.home = getEnvironmentVariable(u"HOME");
    }
    return env;
}

TextList windowsRuntimeFolders(const FolderEnvironment& env, bool wow32View) {
    TextList folders;
    if (wow32View) {
        appendVendorFolders(folders, env.programFilesX86, {});
        return folders;
    }
    appendVendorFolders(folders, env.programFiles, {});
    appendVendorFolders(folders, env.localAppData, u"Programs");
    if (env.userProfile && !env.userProfile->empty()) folders.push_back(joined(*env.userProfile, u".jdks"));
    return folders;
}

TextList posixRuntimeFolders(const FolderEnvironment& env) {
    TextList folders = {u"/usr/lib/jvm", u"/usr/lib64/jvm", u"/usr/java", u"/usr/local/java", u"/opt/java"};
    // A relative HOME would make the search depend on the working folder.
    if (env.home && !env.home->empty() && env.home->front() == u'/') {
        for (std::u16string_view below : {u".sdkman/candidates/java", u".jdks", u".asdf/installs/java"}) {
            folders.push_back(joined(*env.home, below));
        }
    }
    return folders;
}

} // namespace launcher
