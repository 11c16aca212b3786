#include "jre/RuntimeFolders.h"
#include "base/VariableTable.h"
#include "base/FileFinder.h"
#include "base/Platform.h"
#include "base/Trace.h"
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

// Folders two levels down: SapMachine keeps each major version in a folder
// of its kind; Visual Studio's Android tools unpack Microsoft's runtime
// without registering it.
constexpr std::u16string_view kDeeperFolders[] = {u"SapMachine\\JDK", u"SapMachine\\JRE", u"Android\\openjdk"};

bool isSet(const std::optional<std::u16string>& value) { return value && !value->empty(); }

void appendVendorFolders(TextList& out, const std::optional<std::u16string>& base, std::u16string_view below) {
    if (!isSet(base)) return;
    std::u16string parent = below.empty() ? *base : joined(*base, below);
    for (std::u16string_view name : kVendorFolders) out.push_back(joined(parent, name));
    for (std::u16string_view name : kDeeperFolders) out.push_back(joined(parent, name));
}

// The first lines of a release file, up to the limit; nothing when the
// file is missing. reason says why a file that is there gives no version.
std::optional<std::string> readRelease(std::u16string_view home, std::u16string& reason) {
    std::optional<std::string> text = readFileHead(joined(home, u"release"), kReleaseFileLimit + 1);
    if (!text) return std::nullopt;
    if (text->size() > kReleaseFileLimit) {
        reason = u"its release file is larger than " + toDecimal(kReleaseFileLimit / 1024) + u" KB: no release file";
        return std::string();
    }
    if (text->find('\0') != std::string::npos) {
        reason = u"its release file holds binary data";
        return std::string();
    }
    if (releaseValue(*text, "JAVA_VERSION").empty()) reason = u"its release file names no JAVA_VERSION";
    return text;
}

} // namespace

size_t rootForRuntime(bool isJdk, RuntimeVendor vendor) {
    switch (vendor) {
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
    std::u16string reason;
    std::optional<std::string> text = readRelease(home, reason);
    return text ? releaseValue(*text, "JAVA_VERSION") : std::u16string();
}

std::optional<std::string> readSmallFile(std::u16string_view path, size_t limit) {
    std::optional<std::string> text = readFileHead(path, limit + 1);
    if (!text || text->size() > limit) return std::nullopt;
    return text;
}

namespace {

// The runtime in home, when its release file names a version.
void scanHome(std::u16string home, std::vector<FolderRuntime>& runtimes) {
    static constexpr std::u16string_view kCompiler = kWindows ? u"bin\\javac.exe" : u"bin/javac";
    std::u16string reason;
    std::optional<std::string> release = readRelease(home, reason);
    if (!release) return; // no release file: some other folder
    if (!reason.empty()) {
        if (trace::on()) trace::say({u"runtime folder ", home, u": passed over: ", reason});
        return;
    }
    bool isJdk = pathExists(home + std::u16string(kCompiler));
    RuntimeVendor vendor = vendorForRuntime(releaseValue(*release, "IMPLEMENTOR"), releaseValue(*release, "JVM_VARIANT"));
    runtimes.push_back({releaseValue(*release, "JAVA_VERSION"), std::move(home), rootForRuntime(isJdk, vendor),
                        isJdk ? RuntimeKind::Jdk : RuntimeKind::Jre, vendor});
}

// The subfolders of folder, real folders before links, by name: a link
// (SDKMAN's "current") names a runtime that is usually also there under
// its own name.
std::vector<FolderEntry> sortedSubfolders(std::u16string_view folder) {
    std::vector<FolderEntry> entries = listSubfolders(folder);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return a.isLink != b.isLink ? !a.isLink : a.name < b.name;
    });
    return entries;
}

} // namespace

std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders, const TextList& homes) {
    std::vector<FolderRuntime> runtimes;
    for (const std::u16string& base : baseFolders) {
        for (const FolderEntry& entry : sortedSubfolders(base)) {
            scanHome(withTrailingSeparator(joined(base, entry.name)), runtimes);
        }
    }
    for (const std::u16string& home : homes) scanHome(withTrailingSeparator(home), runtimes);
    return runtimes;
}

bool isScoopRuntimeName(std::u16string_view name) {
    static constexpr std::u16string_view kPrefixes[] = {u"temurin",  u"openjdk",   u"zulu",   u"liberica",
                                                        u"microsoft", u"corretto", u"sapmachine", u"semeru"};
    return std::any_of(std::begin(kPrefixes), std::end(kPrefixes), [&](std::u16string_view prefix) {
        return name.size() >= prefix.size() && equalsIgnoreCase(name.substr(0, prefix.size()), prefix);
    });
}

TextList nestedRuntimeHomes(const FolderEnvironment& env) {
    TextList homes;
    if (!env.includeUserFolders) return homes;
    std::optional<std::u16string> home = kWindows ? env.userProfile : env.home;
    if (!isSet(home) || (!kWindows && home->front() != u'/')) return homes;
    // Gradle unpacks some runtimes into a folder of their own inside the
    // folder named after the download.
    std::u16string gradle = joined(*home, kWindows ? u".gradle\\jdks" : u".gradle/jdks");
    for (const FolderEntry& download : sortedSubfolders(gradle)) {
        std::u16string folder = joined(gradle, download.name);
        if (pathExists(joined(folder, u"release"))) continue; // a runtime of the base folder's own
        for (const FolderEntry& inner : sortedSubfolders(folder)) homes.push_back(joined(folder, inner.name));
    }
    if (kWindows) {
        std::u16string apps = joined(*home, u"scoop\\apps");
        for (const FolderEntry& app : sortedSubfolders(apps)) {
            if (isScoopRuntimeName(app.name)) homes.push_back(joined(joined(apps, app.name), u"current"));
        }
    }
    return homes;
}

TextList presentFolders(const TextList& folders) {
    std::vector<std::pair<std::u16string, std::vector<FolderEntry>>> listed;
    auto split = [](std::u16string_view folder) -> std::optional<std::pair<std::u16string_view, std::u16string_view>> {
        size_t cut = folder.rfind(kPathSeparator);
        if (cut == std::u16string_view::npos || cut == 0 || cut + 1 == folder.size()) return std::nullopt;
        return std::pair(folder.substr(0, cut), folder.substr(cut + 1));
    };
    auto listedEntries = [&](std::u16string_view parent) {
        return std::find_if(listed.begin(), listed.end(), [&](const auto& p) { return p.first == parent; });
    };
    auto contains = [](const std::vector<FolderEntry>& entries, std::u16string_view name) {
        return std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& e) {
            return kWindows ? equalsIgnoreCase(e.name, name) : e.name == name;
        });
    };
    TextList present;
    for (const std::u16string& folder : folders) {
        auto parts = split(folder);
        if (!parts) continue;
        auto at = listedEntries(parts->first);
        if (at == listed.end()) {
            // A parent that its own listed parent lacks is not listed: the
            // two-level vendor folders cost nothing where the vendor's is
            // missing.
            auto grand = split(parts->first);
            if (grand) {
                auto above = listedEntries(grand->first);
                if (above != listed.end() && !contains(above->second, grand->second)) continue;
            }
            at = listed.insert(listed.end(), {std::u16string(parts->first), listSubfolders(parts->first)});
        }
        if (contains(at->second, parts->second)) present.push_back(folder);
    }
    return present;
}

FolderEnvironment readFolderEnvironment(bool includeUserFolders) {
    FolderEnvironment env;
    env.includeUserFolders = includeUserFolders;
    if (kWindows) {
        env.programFiles = readVariable(u"ProgramFiles").value;
        env.programFilesX86 = readVariable(u"ProgramFiles(x86)").value;
    }
    if (!includeUserFolders) return env;
    if (kWindows) {
        env.localAppData = readVariable(u"LOCALAPPDATA").value;
        env.userProfile = readVariable(u"USERPROFILE").value;
    } else {
        env.home = readVariable(u"HOME").value;
        env.sdkmanDir = readVariable(u"SDKMAN_DIR").value;
        env.asdfDataDir = readVariable(u"ASDF_DATA_DIR").value;
    }
    return env;
}

TextList windowsRuntimeFolders(const FolderEnvironment& env, bool wow32View) {
    TextList folders;
    appendVendorFolders(folders, wow32View ? env.programFilesX86 : env.programFiles, {});
    if (!env.includeUserFolders) return folders;
    // The user's own folders are one for both widths: the width of each
    // runtime's library tells which launcher it is for.
    appendVendorFolders(folders, env.localAppData, u"Programs");
    if (isSet(env.userProfile)) {
        folders.push_back(joined(*env.userProfile, u".jdks"));
        folders.push_back(joined(*env.userProfile, u".gradle\\jdks"));
    }
    return folders;
}

TextList posixRuntimeFolders(const FolderEnvironment& env) {
    TextList folders = {u"/usr/lib/jvm", u"/usr/lib64/jvm", u"/usr/java", u"/usr/local/java", u"/opt/java"};
    if (!env.includeUserFolders) return folders;
    // A relative folder would make the search depend on the working folder.
    auto absolute = [](const std::optional<std::u16string>& value) { return isSet(value) && value->front() == u'/'; };
    const bool home = absolute(env.home);
    // The tools' own variables name their folders where the user moved them.
    if (absolute(env.sdkmanDir)) {
        folders.push_back(joined(*env.sdkmanDir, u"candidates/java"));
    } else if (home) {
        folders.push_back(joined(*env.home, u".sdkman/candidates/java"));
    }
    if (home) folders.push_back(joined(*env.home, u".jdks"));
    if (absolute(env.asdfDataDir)) {
        folders.push_back(joined(*env.asdfDataDir, u"installs/java"));
    } else if (home) {
        folders.push_back(joined(*env.home, u".asdf/installs/java"));
    }
    if (home) {
        folders.push_back(joined(*env.home, u".gradle/jdks"));
        folders.push_back(joined(*env.home, u".local/share/mise/installs/java"));
    }
    return folders;
}

} // namespace launcher
