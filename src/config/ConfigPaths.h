#pragma once
// Where the configuration files are: the launcher INI beside the
// executable, the per-user INI under the user's application-data folder,
// and the same two files of a paired launcher.

#include "base/PathText.h"
#include "base/Text.h"
#include "config/FolderName.h"

#include <optional>

namespace launcher {

// The INI path of an executable. Windows: everything up to and including
// the last "." of the full path, then "ini"; nothing when the path has no
// ".". Linux, where executables rarely carry an extension: the last "." of
// the file name, or the whole path followed by ".ini".
std::optional<std::u16string> iniPathForExecutable(std::u16string_view executable);
std::optional<std::u16string> windowsIniPathFor(std::u16string_view executable);
std::optional<std::u16string> posixIniPathFor(std::u16string_view executable);

// The longest INI path the platform's profile functions open (Windows:
// fewer characters than MAX_PATH, long-path support or not); 0 on Linux,
// whose reader has no such limit.
size_t maxIniPathLength();
// True when the file at path can be read and written as an INI file.
bool iniPathFits(std::u16string_view path);

// The product's two folders below a base folder: "Product Name" (see
// folderNameOfProduct), then "Product Code" as written. The per-user INI and
// the installed runtime share them.
struct ProductFolders {
    std::u16string product;
    std::u16string code;
};
ProductFolders productFolders(std::u16string_view baseFolder, std::u16string_view productName,
                              std::u16string_view productCode);

// The per-user INI path of a program: application-data folder, product
// folder, product code folder, program file name with ".ini". Pure.
std::u16string userIniPathFor(std::u16string_view programPath, std::u16string_view appDataFolder,
                              std::u16string_view productName, std::u16string_view productCode);

// The same path, creating the two folders when asked (results ignored: they
// may exist already).
std::u16string buildUserIniPath(std::u16string_view programPath, std::u16string_view productName,
                                std::u16string_view productCode, bool createFolders);

// The user's application-data folder: APPDATA on Windows; on Linux
// $XDG_CONFIG_HOME, else $HOME/.config (a relative one of either is
// ignored). Empty when unknown.
std::u16string getAppDataFolder();

// The user's folder for local, unroamed data: LOCALAPPDATA on Windows; on
// Linux $XDG_DATA_HOME, else $HOME/.local/share (a relative one of either is
// ignored). Empty when unknown.
std::u16string getLocalDataFolder();

// The folder of the pinned runtime of the checksum sha256: the local data
// folder, the product's folders, "runtime", then the checksum's first 16
// digits; it ends in a separator. Pure; empty when the base is unknown or
// the product name gives no folder.
std::u16string runtimeInstallFolderFor(std::u16string_view localDataFolder, std::u16string_view productName,
                                       std::u16string_view productCode, std::u16string_view sha256);
std::u16string runtimeInstallFolder(std::u16string_view productName, std::u16string_view productCode,
                                    std::u16string_view sha256);

} // namespace launcher
