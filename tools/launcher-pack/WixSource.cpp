#include "WixSource.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace launcher::pack {

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string leafOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The folders and files of the installation folder, by folder path.
struct Tree {
    std::map<std::string, std::set<std::string>> subfolders; // folder -> child folder paths
    std::map<std::string, std::vector<const PackagedFile*>> files;
};

Tree treeOf(const std::vector<PackagedFile>& files) {
    Tree tree;
    for (const PackagedFile& file : files) {
        std::string folder = folderOf(file.installPath);
        tree.files[folder].push_back(&file);
        for (std::string child = folder; !child.empty(); child = folderOf(child)) tree.subfolders[folderOf(child)].insert(child);
    }
    return tree;
}

class Writer {
public:
    explicit Writer(const InstallerPackage& package)
        : package_(package), user_(package.scope == InstallScope::User), tree_(treeOf(package.files)) {}

    std::string text() {
        std::string vendor = package_.vendor.empty() ? package_.name : package_.vendor;
        out_ << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             << "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
             << "  <Product Id=\"*\" Name=\"" << xmlText(package_.name) << "\" Language=\"1033\" Codepage=\"1252\" Version=\""
             << package_.version << "\" Manufacturer=\"" << xmlText(vendor) << "\" UpgradeCode=\"" << package_.upgradeCode << "\">\n"
             // wixl warns about Platform and ignores it (its -a x64 sets the platform); the WiX toolset needs it.
             << "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"" << (user_ ? "perUser" : "perMachine")
             << "\" Platform=\"x64\" SummaryCodepage=\"1252\" Description=\""
             << xmlText(package_.description.empty() ? package_.name : package_.description) << "\"/>\n";
        upgrades();
        out_ << "    <Media Id=\"1\" Cabinet=\"application.cab\" EmbedCab=\"yes\"/>\n"
             << "    <Icon Id=\"ApplicationIcon.exe\" SourceFile=\"" << xmlText(executable().source) << "\"/>\n"
             << "    <Property Id=\"ARPPRODUCTICON\" Value=\"ApplicationIcon.exe\"/>\n"
             << "    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>\n"; // no dialogs to change an installation with
        if (!package_.helpUrl.empty()) out_ << "    <Property Id=\"ARPHELPLINK\" Value=\"" << xmlText(package_.helpUrl) << "\"/>\n";
        if (!package_.aboutUrl.empty()) out_ << "    <Property Id=\"ARPURLINFOABOUT\" Value=\"" << xmlText(package_.aboutUrl) << "\"/>\n";
        installFolder();
        directories();
        out_ << "    <Feature Id=\"Application\" Title=\"" << xmlText(package_.name) << "\" Level=\"1\">\n";
        for (const std::string& id : components_) out_ << "      <ComponentRef Id=\"" << id << "\"/>\n";
        out_ << "    </Feature>\n  </Product>\n</Wix>\n";
        return out_.str();
    }

private:
    const PackagedFile& executable() const {
        for (const PackagedFile& file : package_.files) {
            if (file.installPath == package_.executable) return file;
        }
        static const PackagedFile none{};
        return none;
    }

    std::string uniqueId(std::string_view prefix, const std::string& path) {
        std::string id = wixIdentifier(prefix, path);
        for (int n = 2; !used_.insert(id).second; ++n) id = wixIdentifier(prefix, path + "\n" + std::to_string(n));
        return id;
    }

    // Every build of this version, earlier ones and a rebuild alike, is
    // replaced; a later version is detected and refused. wixl ignores
    // MajorUpgrade's AllowSameVersionUpgrades and an inclusive maximum, so
    // the replacing range ends, exclusive, at the next version. (wixl cannot
    // mark the row to migrate feature states; the one feature is always on.)
    void upgrades() {
        std::optional<std::string> above = nextInstallerVersion(package_.version);
        out_ << "    <Upgrade Id=\"" << package_.upgradeCode << "\">\n"
             << "      <UpgradeVersion Minimum=\"0.0.0\" IncludeMinimum=\"yes\"";
        if (above) out_ << " Maximum=\"" << *above << "\" IncludeMaximum=\"no\"";
        out_ << " Property=\"WIX_UPGRADE_DETECTED\"/>\n";
        if (above) {
            out_ << "      <UpgradeVersion Minimum=\"" << *above
                 << "\" IncludeMinimum=\"yes\" OnlyDetect=\"yes\" Property=\"WIX_DOWNGRADE_DETECTED\"/>\n";
        }
        out_ << "    </Upgrade>\n"
             << "    <Condition Message=\"A newer version of [ProductName] is already installed.\">NOT WIX_DOWNGRADE_DETECTED</Condition>\n";
    }

    // The folder of an installed version, read back so that an upgrade
    // installs where the user put the first one (INSTALLDIR= on the command
    // line). Add/Remove Programs shows it through ARPINSTALLLOCATION, set
    // once the folder is known: wixl has no SetProperty, and schedules a
    // custom action placed after CostFinalize at the end unless given a number.
    // The installed version goes first, before anything is installed, where
    // MajorUpgrade puts it: the package never depends on the old one's files.
    void installFolder() {
        out_ << "    <Property Id=\"INSTALLDIR\">\n"
             << "      <RegistrySearch Id=\"RememberedInstallFolder\" Root=\"" << registryRoot() << "\" Key=\"" << productKey()
             << "\" Name=\"InstallFolder\" Type=\"raw\" Win64=\"yes\"/>\n"
             << "    </Property>\n"
             << "    <CustomAction Id=\"SetInstallLocation\" Property=\"ARPINSTALLLOCATION\" Value=\"[INSTALLDIR]\" Impersonate=\"yes\"/>\n"
             << "    <InstallExecuteSequence>\n"
             << "      <RemoveExistingProducts After=\"InstallValidate\"/>\n"
             << "      <Custom Action=\"SetInstallLocation\" Sequence=\"1001\"/>\n"
             << "    </InstallExecuteSequence>\n";
    }

    void directories() {
        out_ << "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
        std::string indent = "      ";
        std::vector<std::string> close;
        auto open = [&](const std::string& element) {
            out_ << indent << element << "\n";
            close.push_back(indent + "</Directory>\n");
            indent += "  ";
        };
        if (user_) {
            open("<Directory Id=\"LocalAppDataFolder\">");
            open("<Directory Id=\"ProgramsFolder\" Name=\"Programs\">");
            folderRemoval("ProgramsFolderRemoval", indent);
        } else {
            open("<Directory Id=\"ProgramFiles64Folder\">");
        }
        if (!package_.vendor.empty()) {
            open("<Directory Id=\"VendorFolder\" Name=\"" + xmlText(vendorFolderName(package_.vendor)) + "\">");
            folderRemoval("VendorFolderRemoval", indent);
        }
        folder("", "INSTALLDIR", package_.name, indent);
        for (auto it = close.rbegin(); it != close.rend(); ++it) out_ << *it;
        out_ << "      <Directory Id=\"ProgramMenuFolder\"/>\n";
        if (package_.desktopShortcut) out_ << "      <Directory Id=\"DesktopFolder\"/>\n";
        out_ << "    </Directory>\n";
    }

    void folder(const std::string& path, const std::string& id, const std::string& name, const std::string& indent) {
        out_ << indent << "<Directory Id=\"" << id << "\" Name=\"" << xmlText(name) << "\">\n";
        if (user_) {
            userFolderComponent(path, indent + "  ");
        } else {
            for (const PackagedFile* file : tree_.files[path]) machineFileComponent(*file, indent + "  ");
        }
        if (path.empty()) programComponents(indent + "  "); // after the executable's file
        for (const std::string& child : tree_.subfolders[path]) folder(child, uniqueId("d", child), leafOf(child), indent + "  ");
        out_ << indent << "</Directory>\n";
    }

    // Per machine, each file is a component of its own, keyed by the file:
    // Windows Installer then replaces and counts each file on its own.
    void machineFileComponent(const PackagedFile& file, const std::string& indent) {
        std::string id = uniqueId("f", file.installPath);
        components_.push_back(id);
        out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"yes\">\n";
        fileElement(file, id, indent + "  ", " KeyPath=\"yes\"");
        out_ << indent << "</Component>\n";
    }

    // Per user, a component needs a key path under HKCU and must remove its
    // folder from the profile. One component per folder, not per file: a
    // runtime's 500 files would otherwise leave 500 registry values behind
    // each installation, and every file of a folder comes and goes with the
    // whole package anyway (an upgrade removes the old version first).
    void userFolderComponent(const std::string& path, const std::string& indent) {
        std::string id = uniqueId("c", path);
        components_.push_back(id);
        out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"yes\">\n";
        for (const PackagedFile* file : tree_.files[path]) fileElement(*file, uniqueId("f", file->installPath), indent + "  ", "");
        out_ << indent << "  <RemoveFolder Id=\"" << uniqueId("r", path) << "\" On=\"uninstall\"/>\n";
        keyPathValue(id, indent + "  ");
        out_ << indent << "</Component>\n";
    }

    void fileElement(const PackagedFile& file, const std::string& id, const std::string& indent, const char* keyPath) {
        if (file.installPath == package_.executable) executableId_ = id;
        out_ << indent << "<File Id=\"" << id << "\" Name=\"" << xmlText(leafOf(file.installPath)) << "\" Source=\""
             << xmlText(file.source) << "\"" << keyPath << "/>\n";
    }

    // Windows Installer removes the folders that held files, not those above
    // them. A component of its own (wixl puts a removal into the folder of
    // its component, whatever folder it names) removes such a folder when empty.
    void folderRemoval(const std::string& id, const std::string& indent) {
        components_.push_back(id);
        out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"yes\">\n"
             << indent << "  <RemoveFolder Id=\"Remove" << id << "\" On=\"uninstall\"/>\n";
        keyPathValue(id, indent + "  ");
        out_ << indent << "</Component>\n";
    }

    // A registry value of this product that marks a component installed.
    void keyPathValue(const std::string& componentId, const std::string& indent) {
        out_ << indent << "<RegistryValue Root=\"" << registryRoot() << "\" Key=\"" << productKey() << "\\Components\" Name=\""
             << componentId << "\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>\n";
    }

    const char* registryRoot() const { return user_ ? "HKCU" : "HKLM"; }
    // The product's own key, the same for every version.
    std::string productKey() const {
        const std::string& vendor = package_.vendor.empty() ? package_.name : package_.vendor;
        return "Software\\" + xmlText(formattedText(vendor)) + "\\" + xmlText(formattedText(package_.name));
    }

    // In the installation folder, beside its files: the remembered folder,
    // then shortcuts and file types, each in a component of its own keyed by
    // a registry value (a shortcut cannot be a key path).
    void programComponents(const std::string& indent) {
        components_.push_back("InstallFolderRecord");
        out_ << indent << "<Component Id=\"InstallFolderRecord\" Guid=\"*\" Win64=\"yes\">\n"
             << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"" << productKey()
             << "\" Name=\"InstallFolder\" Type=\"string\" Value=\"[INSTALLDIR]\" KeyPath=\"yes\"/>\n"
             << indent << "</Component>\n";
        shortcuts(indent);
        for (const FileAssociation& association : package_.associations) fileType(association, indent);
    }

    void shortcuts(const std::string& indent) {
        components_.push_back("Shortcuts");
        out_ << indent << "<Component Id=\"Shortcuts\" Guid=\"*\" Win64=\"yes\">\n";
        std::string description = package_.description.empty() ? "" : " Description=\"" + xmlText(package_.description) + "\"";
        auto shortcut = [&](const char* id, const char* folder) {
            out_ << indent << "  <Shortcut Id=\"" << id << "\" Directory=\"" << folder << "\" Name=\"" << xmlText(package_.name)
                 << "\"" << description << " Target=\"[#" << executableId_
                 << "]\" WorkingDirectory=\"INSTALLDIR\" Icon=\"ApplicationIcon.exe\" IconIndex=\"0\"/>\n";
        };
        shortcut("StartMenuShortcut", "ProgramMenuFolder");
        if (package_.desktopShortcut) shortcut("DesktopShortcut", "DesktopFolder");
        keyPathValue("Shortcuts", indent + "  ");
        out_ << indent << "</Component>\n";
    }

    // The extension's default names this product's handler, which the user
    // installs to open these files; OpenWithProgids keeps this handler
    // offered when another product takes the default, and keeps an earlier
    // one offered when this product does.
    void fileType(const FileAssociation& association, const std::string& indent) {
        std::string id = uniqueId("a", association.extension);
        std::string progId = progIdFor(package_.vendor, package_.name, association.extension);
        std::string classes = "Software\\Classes\\";
        components_.push_back(id);
        out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"yes\">\n";
        auto value = [&](const std::string& key, const std::string& name, const std::string& text, bool keyPath = false) {
            out_ << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"" << xmlText(classes + key) << "\""
                 << (name.empty() ? "" : " Name=\"" + name + "\"") << " Type=\"string\" Value=\"" << xmlText(text) << "\""
                 << (keyPath ? " KeyPath=\"yes\"" : "") << "/>\n";
        };
        value(progId, "", formattedText(association.description), true);
        value(progId + "\\DefaultIcon", "", "[#" + executableId_ + "],0");
        value(progId + "\\shell\\open\\command", "", "\"[#" + executableId_ + "]\" \"%1\"");
        value("." + association.extension, "", progId);
        value("." + association.extension + "\\OpenWithProgids", progId, "");
        out_ << indent << "</Component>\n";
    }

    const InstallerPackage& package_;
    const bool user_;
    Tree tree_;
    std::ostringstream out_;
    std::set<std::string> used_{"INSTALLDIR", "VendorFolder", "ProgramsFolder", "InstallFolderRecord", "Shortcuts",
                                "ProgramsFolderRemoval", "VendorFolderRemoval"};
    std::vector<std::string> components_;
    std::string executableId_;
};

} // namespace

std::string wixIdentifier(std::string_view prefix, std::string_view path) {
    std::string id(prefix);
    id += '_';
    for (char c : path.substr(0, 48)) {
        id += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    }
    char hash[10];
    std::snprintf(hash, sizeof hash, "_%08x", textHash(path));
    return id + hash;
}

std::string xmlText(std::string_view text) {
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        case '\'': result += "&apos;"; break;
        case '$': result += "$$"; break; // the preprocessor's escape
        default: result += c;
        }
    }
    return result;
}

std::string formattedText(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}') result.append("[\\").append(1, c).append("]");
        else result += c;
    }
    return result;
}

std::string wixSource(const InstallerPackage& package) { return Writer(package).text(); }

} // namespace launcher::pack
