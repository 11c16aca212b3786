#include "config/ConfigPaths.h"
#include "base/FolderChain.h"
#include "base/Platform.h"
#include "config/RuntimeDownload.h"

namespace launcher {

std::optional<std::u16string> windowsIniPathFor(std::u16string_view executable) {
    size_t dot = executable.rfind(u'.');
    if (dot == std::u16string_view::npos) return std::nullopt;
    std::u16string path(executable.substr(0, dot + 1));
    path.append(u"ini");
    return path;
}

std::optional<std::u16string> posixIniPathFor(std::u16string_view executable) {
    if (executable.empty()) return std::nullopt;
    size_t slash = executable.rfind(u'/');
    size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
    size_t dot = executable.rfind(u'.');
    // A dot that starts the file name (a hidden file) is no extension.
    if (dot == std::u16string_view::npos || dot <= nameStart) {
        std::u16string path(executable);
        path.append(u".ini");
        return path;
    }
    return windowsIniPathFor(executable);
}

std::optional<std::u16string> iniPathForExecutable(std::u16string_view executable) {
    return kWindows ? windowsIniPathFor(executable) : posixIniPathFor(executable);
}

bool iniPathFits(std::u16string_view path) {
    size_t limit = maxIniPathLength();
    return limit == 0 || path.size() <= limit;
}


namespace {

std::u16string userIniFileName(std::u16string_view programPath) {
    std::u16string name = fileNameOf(programPath);
    size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) name.resize(dot);
    name.append(u".ini");
    return name;
}

} // namespace

ProductFolders productFolders(std::u16string_view baseFolder, std::u16string_view productName,
                              std::u16string_view productCode) {
    ProductFolders folders;
    folders.product.assign(baseFolder);
    folders.product.push_back(kPathSeparator);
    folders.product.append(folderNameOfProduct(productName));
    folders.code = folders.product;
    folders.code.push_back(kPathSeparator);
    folders.code.append(productCode);
    return folders;
}

std::u16string userIniPathFor(std::u16string_view programPath, std::u16string_view appDataFolder,
                              std::u16string_view productName, std::u16string_view productCode) {
    std::u16string path = productFolders(appDataFolder, productName, productCode).code;
    path.push_back(kPathSeparator);
    path.append(userIniFileName(programPath));
    return path;
}

std::u16string buildUserIniPath(std::u16string_view programPath, std::u16string_view productName,
                                std::u16string_view productCode, bool createFolders) {
    std::u16string appData = getAppDataFolder();
    if (createFolders) {
        // Either folder may exist already; a failure shows only as a missing
        // file on the next start.
        ProductFolders folders = productFolders(appData, productName, productCode);
        createFolder(folders.product);
        createFolder(folders.code);
    }
    return userIniPathFor(programPath, appData, productName, productCode);
}

std::u16string runtimeInstallFolderFor(std::u16string_view localDataFolder, std::u16string_view productName,
                                       std::u16string_view productCode, std::u16string_view sha256) {
    // An unknown base would put the runtime below the root or the current
    // folder; a product name without a usable character would put it
    // beside other products' folders.
    if (localDataFolder.empty() || !isOwnFolderName(folderNameOfProduct(productName))) return {};
    std::u16string folder = productFolders(localDataFolder, productName, productCode).code;
    folder.push_back(kPathSeparator);
    folder.append(u"runtime");
    folder.push_back(kPathSeparator);
    folder.append(sha256.substr(0, kRuntimeFolderDigits));
    folder.push_back(kPathSeparator);
    return folder;
}

std::u16string runtimeInstallFolder(std::u16string_view productName, std::u16string_view productCode,
                                    std::u16string_view sha256) {
    return runtimeInstallFolderFor(getLocalDataFolder(), productName, productCode, sha256);
}

} // namespace launcher
