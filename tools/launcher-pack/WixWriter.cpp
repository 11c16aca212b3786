#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

std::string WixWriter::folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string WixWriter::leafOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

WixTree WixWriter::treeOf(const std::vector<PackagedFile>& files) {
    WixTree tree;
    for (const PackagedFile& file : files) {
        std::string folder = folderOf(file.installPath);
        tree.files[folder].push_back(&file);
        for (std::string child = folder; !child.empty(); child = folderOf(child)) tree.subfolders[folderOf(child)].insert(child);
    }
    return tree;
}

WixWriter::WixWriter(const InstallerPackage& package, WixReader reader)
    : package_(package), user_(package.scope == InstallScope::User), wixl_(reader == WixReader::Wixl),
      tree_(treeOf(package.files)) {}

const PackagedFile& WixWriter::executable() const {
    for (const PackagedFile& file : package_.files) {
        if (file.installPath == package_.executable) return file;
    }
    static const PackagedFile none{};
    return none;
}

std::string WixWriter::uniqueId(std::string_view prefix, const std::string& path) {
    std::string id = wixIdentifier(prefix, path);
    for (int n = 2; !used_.insert(id).second; ++n) id = wixIdentifier(prefix, path + "\n" + std::to_string(n));
    return id;
}

// A registry value of this product that marks a component installed; root:
// the product's own unless given.
void WixWriter::keyPathValue(const std::string& componentId, const std::string& indent, const char* root) {
    out_ << indent << "<RegistryValue Root=\"" << (root ? root : registryRoot()) << "\" Key=\"" << productKey()
         << "\\Components\" Name=\"" << componentId << "\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>\n";
}

// The condition under which a component is installed, and removed. wixl
// 0.101 aborts on a Condition inside a Component: its package gets the
// condition written into the Component table afterwards. A condition holds
// no single quotation mark (the query's string delimiter).
void WixWriter::componentCondition(const std::string& componentId, const std::string& condition, const std::string& indent) {
    if (wixl_) {
        queries_.push_back("UPDATE `Component` SET `Condition` = '" + condition + "' WHERE `Component` = '" + componentId + "'");
    } else {
        out_ << indent << "<Condition>" << xmlText(condition) << "</Condition>\n";
    }
}

// The product's own key, the same for every version.
std::string WixWriter::productKey() const {
    const std::string& vendor = package_.vendor.empty() ? package_.name : package_.vendor;
    return "Software\\" + xmlText(formattedText(vendor)) + "\\" + xmlText(formattedText(package_.name));
}

} // namespace launcher::pack
