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

// A release file is a few hundred bytes; anything longer than this is not
// one, and is not read further.
inline constexpr size_t kReleaseFileLimit = 16 * 1024;

// The classic root of a runtime: JDK when it has its compiler; vendor from
// the release file's IMPLEMENTOR where it names IBM or JRockit, Sun
// otherwise.
size_t rootForRuntime(bool isJdk, std::u16string_view implementor);
// The vendor family of a release file: IBM for IBM's and OpenJ9 builds,
// JRockit for BEA's, Sun for every other.
RuntimeVendor vendorForRuntime(std::u16string_view implementor, std::u16string_view jvmVariant);

// A release file's value of key, without its quotes; empty when absent.
std::u16string releaseValue(std::string_view releaseText, std::string_view key);
// The JAVA_VERSION of the release file in home; empty when the file is
// missing, too long or names none.
std::u16string releaseVersion(std::u16string_view home);

// Every runtime folder directly under the base folders, base by base; in
// each, real folders before links, by name.
std::vector<FolderRuntime> scanRuntimeFolders(const TextList& baseFolders);

// The environment that says where the user-level runtime folders are; each
// value only when the variable is set.
struct FolderEnvironment {
    std::optional<std::u16string> programFiles;    // %ProgramFiles%
    std::optional<std::u16string> programFilesX86; // %ProgramFiles(x86)%
    std::optional<std::u16string> localAppData;    // %LOCALAPPDATA%
    std::optional<std::u16string> userProfile;     // %USERPROFILE%
    std::optional<std::u16string> home;            // HOME
};
FolderEnvironment readFolderEnvironment();

// The base folders searched on Windows in a registry view: in the native
// view the vendors' folders under Program Files, the same under the user's
// own programs folder, and the IDEs' download folder; in the 32-bit view
// the vendors' folders under the 32-bit Program Files.
TextList windowsRuntimeFolders(const FolderEnvironment& env, bool wow32View);
// The base folders searched on Linux: the distributions' folders, then the
// user's SDKMAN, IDE and asdf folders.
TextList posixRuntimeFolders(const FolderEnvironment& env);

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
// The file's first bytes, when it exists and holds no more than limit.
std::optional<std::string> readSmallFile(std::u16string_view path, size_t limit);

} // namespace launcher
