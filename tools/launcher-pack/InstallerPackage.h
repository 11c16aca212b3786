#pragma once
// What a Windows Installer package holds, and the checks of the options that
// describe it. Pure: the values come from the command line and the laid-out
// folder; nothing here touches a file.

#include "VersionInfo.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace launcher::pack {

enum class InstallScope { Machine, User };

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
    bool desktopShortcut = false;
    std::vector<FileAssociation> associations;
    std::string helpUrl;
    std::string aboutUrl;
    std::string executable; // installPath of the program the shortcuts start
    std::vector<PackagedFile> files;
};

// The upgrade code in the form Windows Installer stores (braces, capitals);
// accepts it with or without braces, in either case. Throws PackError.
std::string checkedGuid(std::string_view text);

// The product version of an "A.B.C.D" version: its first three numbers.
// Throws PackError naming the limit a number exceeds.
std::string installerVersion(const VersionNumber4& version);

// "EXT" or "EXT:Description"; throws PackError for an extension that no
// association can use.
FileAssociation parseFileAssociation(std::string_view text, std::string_view productName);

// Throws PackError for text that the installer builder cannot encode
// (characters beyond Windows-1252, control characters, and what
// checkWixVariables refuses).
void checkInstallerText(std::string_view text, std::string_view what);

// Throws PackError for text that WiX's preprocessor would change: its
// variable references "$(" and "!(", and "$$". The check for any text that
// reaches the WiX source, paths included.
void checkWixVariables(std::string_view text, std::string_view what);

// The first two of paths ("/" between folders) that Windows takes for one
// file: they differ only in the case of letters. nullopt when none do.
std::optional<std::pair<std::string, std::string>> caseOnlyClash(const std::vector<std::string>& paths);

// Whether Windows accepts text as the name of a file or folder.
bool isWindowsFileName(std::string_view name);

} // namespace launcher::pack
