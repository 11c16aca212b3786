#pragma once
// What a Windows Installer package holds, and the checks of the options that
// describe it. Pure: the values come from the command line and the laid-out
// folder; nothing here touches a file.

#include "VersionInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace launcher::pack {

enum class InstallScope { Machine, User };

// The Windows a package installs on, which follows its main launcher: an x86
// package installs on 32-bit and 64-bit Windows (into "Program Files (x86)"
// on the latter), an x64 one on 64-bit Windows only.
enum class InstallerPlatform { X64, X86 };

struct FileAssociation {
    std::string extension;   // without the dot, as given
    std::string description; // shown by the shell for such documents
};

// One file of the application folder.
struct PackagedFile {
    std::string installPath; // inside the installation folder, "/" between folders
    std::string source;      // where the build reads it, relative to the WiX source's folder
};

struct InstallerPackage {
    std::string name;    // product and folder name
    std::string vendor;  // publisher and vendor folder; empty: no vendor folder
    std::string description;
    std::string version; // "A.B.C", the part Windows Installer compares
    std::string upgradeCode; // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    InstallScope scope = InstallScope::Machine;
    InstallerPlatform platform = InstallerPlatform::X64;
    bool desktopShortcut = false;
    std::vector<FileAssociation> associations;
    std::string helpUrl;
    std::string aboutUrl;
    std::string executable; // installPath of the program the shortcuts start
    std::vector<PackagedFile> files;
    int codePage = 1252;    // of every text in the package
    std::string appId;      // the shortcuts' App User Model ID; empty: none
};

// The upgrade code in the form Windows Installer stores (braces, capitals);
// accepts it with or without braces, in either case. Throws PackError.
std::string checkedGuid(std::string_view text);

// The product version of an "A.B.C.D" version: its first three numbers.
// Throws PackError naming the limit a number exceeds.
std::string installerVersion(const VersionNumber4& version);

// "EXT" or "EXT:Description"; throws PackError for an extension that no
// association can use, UnheldTextError for a description beyond the code page.
FileAssociation parseFileAssociation(std::string_view text, std::string_view productName, int codePage);

// Throws PackError for text that the installer builder cannot encode
// (control characters, and what checkWixVariables refuses), and
// UnheldTextError for characters that the package's code page lacks.
void checkInstallerText(std::string_view text, std::string_view what, int codePage);

// Throws PackError for text that WiX's preprocessor would change: its
// variable references "$(" and "!(", and "$$". The check for any text that
// reaches the WiX source, paths included.
void checkWixVariables(std::string_view text, std::string_view what);

// The first two of paths ("/" between folders) that Windows takes for one
// file: they differ only in the case of letters. nullopt when none do.
std::optional<std::pair<std::string, std::string>> caseOnlyClash(const std::vector<std::string>& paths);

// Whether Windows accepts text as the name of a file or folder.
bool isWindowsFileName(std::string_view name);

// The name of the vendor's folder: the vendor without trailing dots and
// spaces, which Windows drops from folder names ("ACME, Inc." gives
// "ACME, Inc"). The publisher shown keeps the full text.
std::string vendorFolderName(std::string_view vendor);

// The lowest product version above every build of version ("A.B.C"): the
// next third number, carried into the second and first at their limits;
// nullopt above the highest version Windows Installer allows.
std::optional<std::string> nextInstallerVersion(std::string_view version);

// The identifier under which the shell registers the product's handler for
// one file type: "Vendor.Name.ext" of letters, digits and dots, at most 39
// characters, never starting with a digit; no vendor: "Name.ext". Shortened
// ones, and those whose extension lost characters, end in a hash of the
// whole, so that different products and different extensions never share one.
std::string progIdFor(std::string_view vendor, std::string_view name, std::string_view extension);

// A short, stable hash of text (FNV-1a, 32 bits).
uint32_t textHash(std::string_view text);

} // namespace launcher::pack
