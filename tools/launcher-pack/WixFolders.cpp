#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

void WixWriter::directories() {
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
        open(package_.platform == InstallerPlatform::X64 ? "<Directory Id=\"ProgramFiles64Folder\">" : "<Directory Id=\"ProgramFilesFolder\">");
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

void WixWriter::folder(const std::string& path, const std::string& id, const std::string& name, const std::string& indent) {
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
void WixWriter::machineFileComponent(const PackagedFile& file, const std::string& indent) {
    std::string id = uniqueId("f", file.installPath);
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
    fileElement(file, id, indent + "  ", " KeyPath=\"yes\"");
    out_ << indent << "</Component>\n";
}

// Per user, a component needs a key path under HKCU and must remove its
// folder from the profile. One component per folder, not per file: a
// runtime's 500 files would otherwise leave 500 registry values behind
// each installation, and every file of a folder comes and goes with the
// whole package anyway (an upgrade removes the old version first).
void WixWriter::userFolderComponent(const std::string& path, const std::string& indent) {
    std::string id = uniqueId("c", path);
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
    for (const PackagedFile* file : tree_.files[path]) fileElement(*file, uniqueId("f", file->installPath), indent + "  ", "");
    out_ << indent << "  <RemoveFolder Id=\"" << uniqueId("r", path) << "\" On=\"uninstall\"/>\n";
    keyPathValue(id, indent + "  ");
    out_ << indent << "</Component>\n";
}

void WixWriter::fileElement(const PackagedFile& file, const std::string& id, const std::string& indent, const char* keyPath) {
    if (file.installPath == package_.executable) executableId_ = id;
    out_ << indent << "<File Id=\"" << id << "\" Name=\"" << xmlText(leafOf(file.installPath)) << "\" Source=\""
         << xmlText(file.source) << "\"" << keyPath << "/>\n";
}

// Windows Installer removes the folders that held files, not those above
// them. A component of its own (wixl puts a removal into the folder of
// its component, whatever folder it names) removes such a folder when empty.
void WixWriter::folderRemoval(const std::string& id, const std::string& indent) {
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"" << win64() << "\">\n"
         << indent << "  <RemoveFolder Id=\"Remove" << id << "\" On=\"uninstall\"/>\n";
    keyPathValue(id, indent + "  ");
    out_ << indent << "</Component>\n";
}

} // namespace launcher::pack
