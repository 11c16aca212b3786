#include "WixSource.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace launcher::pack {

namespace {

uint32_t fnv1a(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

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
    explicit Writer(const InstallerPackage& package) : package_(package), tree_(treeOf(package.files)) {}

    std::string text() {
        const bool user = package_.scope == InstallScope::User;
        std::string vendor = package_.vendor.empty() ? package_.name : package_.vendor;
        out_ << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             << "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
             << "  <Product Id=\"*\" Name=\"" << xmlText(package_.name) << "\" Language=\"1033\" Codepage=\"1252\" Version=\""
             << package_.version << "\" Manufacturer=\"" << xmlText(vendor) << "\" UpgradeCode=\"" << package_.upgradeCode << "\">\n"
             << "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"" << (user ? "perUser" : "perMachine")
             << "\" SummaryCodepage=\"1252\" Description=\"" << xmlText(package_.description.empty() ? package_.name : package_.description)
             << "\"/>\n"
             << "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of [ProductName] is already installed.\"/>\n"
             << "    <Media Id=\"1\" Cabinet=\"application.cab\" EmbedCab=\"yes\"/>\n"
             << "    <Icon Id=\"ApplicationIcon.exe\" SourceFile=\"" << xmlText(executable().source) << "\"/>\n"
             << "    <Property Id=\"ARPPRODUCTICON\" Value=\"ApplicationIcon.exe\"/>\n";
        if (!package_.helpUrl.empty()) out_ << "    <Property Id=\"ARPHELPLINK\" Value=\"" << xmlText(package_.helpUrl) << "\"/>\n";
        if (!package_.aboutUrl.empty()) out_ << "    <Property Id=\"ARPURLINFOABOUT\" Value=\"" << xmlText(package_.aboutUrl) << "\"/>\n";
        out_ << "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
        std::string indent = "      ";
        int open = 0;
        if (user) {
            out_ << indent << "<Directory Id=\"LocalAppDataFolder\">\n" << indent << "  <Directory Id=\"ProgramsFolder\" Name=\"Programs\">\n";
            open = 2;
        } else {
            out_ << indent << "<Directory Id=\"ProgramFiles64Folder\">\n";
            open = 1;
        }
        if (!package_.vendor.empty()) {
            out_ << indent << std::string(2 * open, ' ') << "<Directory Id=\"VendorFolder\" Name=\"" << xmlText(package_.vendor) << "\">\n";
            ++open;
            vendorFolderRemoval(indent + std::string(2 * open, ' '));
        }
        folder("", "INSTALLDIR", package_.name, indent + std::string(2 * open, ' '));
        while (open-- > 0) out_ << indent << std::string(2 * open, ' ') << "</Directory>\n";
        out_ << indent << "<Directory Id=\"ProgramMenuFolder\"/>\n";
        if (package_.desktopShortcut) out_ << indent << "<Directory Id=\"DesktopFolder\"/>\n";
        out_ << "    </Directory>\n"
             << "    <Feature Id=\"Application\" Title=\"" << xmlText(package_.name) << "\" Level=\"1\">\n";
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

    void folder(const std::string& path, const std::string& id, const std::string& name, const std::string& indent) {
        out_ << indent << "<Directory Id=\"" << id << "\" Name=\"" << xmlText(name) << "\">\n";
        for (const PackagedFile* file : tree_.files[path]) component(*file, indent + "  ");
        for (const std::string& child : tree_.subfolders[path]) folder(child, uniqueId("d", child), leafOf(child), indent + "  ");
        out_ << indent << "</Directory>\n";
    }

    void component(const PackagedFile& file, const std::string& indent) {
        std::string id = uniqueId("f", file.installPath);
        components_.push_back(id);
        out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"yes\">\n"
             << indent << "  <File Id=\"" << id << "\" Name=\"" << xmlText(leafOf(file.installPath)) << "\" Source=\""
             << xmlText(file.source) << "\" KeyPath=\"yes\"/>\n";
        if (file.installPath == package_.executable) programEntries(id, indent + "  ");
        out_ << indent << "</Component>\n";
    }

    // Windows Installer removes the folders that held files; the vendor
    // folder held none. A component of its own (wixl puts a removal into the
    // folder of its component, whatever folder it names) removes it when
    // empty; a registry value is its key path, as a per-user install needs.
    void vendorFolderRemoval(const std::string& indent) {
        components_.push_back("VendorFolderRemoval");
        out_ << indent << "<Component Id=\"VendorFolderRemoval\" Guid=\"*\" Win64=\"yes\">\n"
             << indent << "  <RemoveFolder Id=\"RemoveVendorFolder\" On=\"uninstall\"/>\n"
             << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"Software\\" << xmlText(formattedText(package_.vendor))
             << "\\" << xmlText(formattedText(package_.name)) << "\" Name=\"InstallFolder\" Type=\"string\" Value=\"[INSTALLDIR]\" KeyPath=\"yes\"/>\n"
             << indent << "</Component>\n";
    }

    const char* registryRoot() const { return package_.scope == InstallScope::User ? "HKCU" : "HKLM"; }

    // Shortcuts and file types belong to the program's component: they come
    // and go with it.
    void programEntries(const std::string& fileId, const std::string& indent) {
        std::string description = package_.description.empty() ? "" : " Description=\"" + xmlText(package_.description) + "\"";
        auto shortcut = [&](const char* id, const char* folder) {
            out_ << indent << "<Shortcut Id=\"" << id << "\" Directory=\"" << folder << "\" Name=\"" << xmlText(package_.name)
                 << "\"" << description << " Target=\"[#" << fileId
                 << "]\" WorkingDirectory=\"INSTALLDIR\" Icon=\"ApplicationIcon.exe\" IconIndex=\"0\"/>\n";
        };
        shortcut("StartMenuShortcut", "ProgramMenuFolder");
        if (package_.desktopShortcut) shortcut("DesktopShortcut", "DesktopFolder");
        const char* root = registryRoot();
        for (const FileAssociation& association : package_.associations) {
            std::string progId = progIdOf(association.extension);
            std::string classes = "Software\\Classes\\";
            auto value = [&](const std::string& key, const std::string& text) {
                out_ << indent << "<RegistryValue Root=\"" << root << "\" Key=\"" << xmlText(classes + key)
                     << "\" Type=\"string\" Value=\"" << xmlText(text) << "\"/>\n";
            };
            value("." + association.extension, progId);
            value(progId, formattedText(association.description));
            value(progId + "\\DefaultIcon", "[#" + fileId + "],0");
            value(progId + "\\shell\\open\\command", "\"[#" + fileId + "]\" \"%1\"");
        }
    }

    std::string progIdOf(const std::string& extension) const {
        std::string stem;
        for (char c : package_.name) {
            if (std::isalnum(static_cast<unsigned char>(c))) stem += c;
        }
        return (stem.empty() ? "Application" : stem) + "." + extension;
    }

    const InstallerPackage& package_;
    Tree tree_;
    std::ostringstream out_;
    std::set<std::string> used_{"INSTALLDIR", "VendorFolder", "ProgramsFolder"};
    std::vector<std::string> components_;
};

} // namespace

std::string wixIdentifier(std::string_view prefix, std::string_view path) {
    std::string id(prefix);
    id += '_';
    for (char c : path.substr(0, 48)) {
        id += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    }
    char hash[10];
    std::snprintf(hash, sizeof hash, "_%08x", fnv1a(path));
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
