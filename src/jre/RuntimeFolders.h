#pragma once
// Runtimes that were unpacked or installed into well-known folders rather
// than registered: each direct subfolder of a base folder that has a
// "release" file naming its version. The same scan serves the Linux
// distributions' runtime folders and, on Windows, the folders that the
// OpenJDK installers, zip downloads and IDEs use.

#include "jre/RuntimeSelection.h"

#include <optional>
#include <string>

namespace launcher {

struct FolderRuntime {
    std::u16string version; // JAVA_VERSION of the release file
    std::u16string home;    // the folder, ending in a separator
    size_t root;            // classic registry root of its kind and vendor
    RuntimeKind kind;
    RuntimeVendor vendor;
};

// A release file is one or two kilobytes; anything longer than this is not
// one, and is not read further.
inline constexpr size_t kReleaseFileLimit = 8 * 1024;

// The classic root of a runtime of that kind and vendor.
size_t rootForRuntime(bool isJdk, RuntimeVendor vendor);
// The vendor family of a release file: IBM for IBM's and OpenJ9 builds,
// JRockit for BEA's, Sun for every other.
RuntimeVendor vendorForRuntime(std::u16string_view implementor, std::u16string_view jvmVariant);

// A release file's value of key, without its quotes; empty when absent.
std::u16string releaseValue(std::string_view releaseText, std::string_view key);
// The JAVA_VERSION of the release file in home; empty when the file is
// missing, too long or names none.
std::u16string releaseVersion(std::u16string_view home);

// Every runtime folder directly under the base folders, base by base (in
// each, real folders before links, by name), then the runtime homes named
// outright. A folder whose release file is unusable is passed over with
// its reason in the launch trace.
std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders, const TextList& homes = {});

// The environment that says where the user-level runtime folders are; each
// value only when the variable is set.
struct FolderEnvironment {
    std::optional<std::u16string> programFiles;    // %ProgramFiles%
    std::optional<std::u16string> programFilesX86; // %ProgramFiles(x86)%
    std::optional<std::u16string> localAppData;    // %LOCALAPPDATA%
    std::optional<std::u16string> userProfile;     // %USERPROFILE%
    std::optional<std::u16string> home;            // HOME
    std::optional<std::u16string> sdkmanDir;       // SDKMAN_DIR
    std::optional<std::u16string> asdfDataDir;     // ASDF_DATA_DIR
    // false: the folders the user can write are left out.
    bool includeUserFolders = true;
};
// Reads the user's own folders only with includeUserFolders.
FolderEnvironment readFolderEnvironment(bool includeUserFolders);

// The base folders searched on Windows in a registry view: the vendors'
// folders under Program Files (the 32-bit one in the 32-bit view), with
// SapMachine's two-level folders and the runtime of Android's build tools;
// then the same under the user's own programs folder, and the IDEs' and
// Gradle's download folders, which may hold runtimes of either width.
TextList windowsRuntimeFolders(const FolderEnvironment& env, bool wow32View);
// The base folders searched on Linux: the distributions' folders, then the
// user's SDKMAN, IDE, asdf, Gradle and mise folders.
TextList posixRuntimeFolders(const FolderEnvironment& env);
// Runtime homes that are not direct subfolders of a base folder: Gradle's
// downloads one level deeper, and on Windows the runtimes Scoop installed
// (apps\<name>\current for the names of runtime packages). Listing folders
// is the only cost; none of them when user folders are left out.
TextList nestedRuntimeHomes(const FolderEnvironment& env);
// Whether a Scoop package of that name holds a Java runtime.
bool isScoopRuntimeName(std::u16string_view name);

// The folders of the list that exist, in list order, found by listing each
// parent folder once rather than looking for each folder in turn: on
// Windows most of the vendors' folders are missing on any one machine.
TextList presentFolders(const TextList& folders);

// The platform's part of the scan.
struct FolderEntry {
    std::u16string name;
    bool isLink;
};
// The subfolders of folder (links to folders included); none when it
// cannot be read.
std::vector<FolderEntry> listSubfolders(std::u16string_view folder);
// The file's first bytes, at most limit of them, when it is a regular file
// that can be read.
std::optional<std::string> readFileHead(std::u16string_view path, size_t limit);
// The whole file, when it holds no more than limit bytes.
std::optional<std::string> readSmallFile(std::u16string_view path, size_t limit);

} // namespace launcher
