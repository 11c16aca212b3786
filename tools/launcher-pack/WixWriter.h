#pragma once
// The writer of an installer package's WiX source, one part of the source
// per file: the product with its properties and upgrades (WixSource.cpp),
// the folders and their files (WixFolders.cpp), the shortcuts
// (WixShortcuts.cpp) and the file types (WixFileTypes.cpp). What they share,
// identifiers, the product's registry key and component conditions, is here
// and in WixWriter.cpp.

#include "InstallerPackage.h"

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::pack {

// The folders and files of the installation folder, by folder path.
struct WixTree {
    std::map<std::string, std::set<std::string>> subfolders; // folder -> child folder paths
    std::map<std::string, std::vector<const PackagedFile*>> files;
};

// Who reads the source: the WiX toolset, or wixl, which cannot read some
// of it (component conditions) and gets those as queries on its package.
enum class WixReader { Toolset, Wixl };

class WixWriter {
public:
    WixWriter(const InstallerPackage& package, WixReader reader);

    std::string text();
    // For wixl: the queries that complete its package (msibuild -q).
    const std::vector<std::string>& queries() const { return queries_; }

private:
    // Product, properties and upgrades.
    void upgrades();
    void installFolder();
    void secureProperties();
    void programComponents(const std::string& indent);

    // Folders and files.
    void directories();
    void folder(const std::string& path, const std::string& id, const std::string& name, const std::string& indent);
    void machineFileComponent(const PackagedFile& file, const std::string& indent);
    void userFolderComponent(const std::string& path, const std::string& indent);
    void fileElement(const PackagedFile& file, const std::string& id, const std::string& indent, const char* keyPath);
    void folderRemoval(const std::string& id, const std::string& indent);

    void shortcuts(const std::string& indent);
    void shortcut(const char* id, const char* folder, const std::string& indent);
    void fileTypeSearches();
    void fileType(const FileAssociation& association, const std::string& indent);
    void extensionDefault(const FileAssociation& association, const std::string& progId, const std::string& indent);

    // Shared.
    static std::string folderOf(const std::string& path);
    static std::string leafOf(const std::string& path);
    static WixTree treeOf(const std::vector<PackagedFile>& files);
    const PackagedFile& executable() const;
    std::string uniqueId(std::string_view prefix, const std::string& path);
    void keyPathValue(const std::string& componentId, const std::string& indent, const char* root = nullptr);
    void componentCondition(const std::string& componentId, const std::string& condition, const std::string& indent);
    const char* registryRoot() const { return user_ ? "HKCU" : "HKLM"; }
    // An x86 package's components and its search are 32-bit: the registry
    // values go to the 32-bit view, where the 32-bit launcher reads too.
    const char* win64() const { return package_.platform == InstallerPlatform::X64 ? "yes" : "no"; }
    std::string productKey() const;

    const InstallerPackage& package_;
    const bool user_;
    const bool wixl_;
    WixTree tree_;
    std::ostringstream out_;
    std::set<std::string> used_{"INSTALLDIR", "VendorFolder", "ProgramsFolder", "InstallFolderRecord", "Shortcuts",
                                "DesktopShortcuts", "ProgramsFolderRemoval", "VendorFolderRemoval"};
    std::vector<std::string> components_;
    std::string executableId_;
    std::map<std::string, std::string> defaultSearches_; // extension -> property with its current default
    std::vector<std::string> queries_;
    std::vector<std::string> upgradeProperties_; // the upgrade searches' properties, secure already
};

} // namespace launcher::pack
