#include "WixWriter.h"

#include "WixText.h"

#include <cctype>
#include <cstdio>
#include <random>

namespace launcher::pack {

namespace {

// A component code of this build only.
std::string buildOnlyGuid() {
    std::random_device random;
    unsigned part[4];
    for (unsigned& p : part) p = random();
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-4%03X-%04X-%04X%08X}", part[0], part[1] >> 16, part[1] & 0xFFF,
                  0x8000 | (part[2] >> 16 & 0x3FFF), part[2] & 0xFFFF, part[3]);
    return text;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

// Each extension's current default, read before anything changes: removing
// this product keeps a default that names another product.
void WixWriter::fileTypeSearches() {
    for (const FileAssociation& association : package_.associations) {
        std::string property = upperCase(uniqueId("EXTENSIONDEFAULT", association.extension));
        defaultSearches_[association.extension] = property;
        // Without a Name the search reads the default value; wixl needs an
        // empty one for that, which the WiX toolset refuses.
        out_ << "    <Property Id=\"" << property << "\">\n"
             << "      <RegistrySearch Id=\"" << uniqueId("CurrentDefault", association.extension) << "\" Root=\""
             << registryRoot() << "\" Key=\"Software\\Classes\\." << xmlText(association.extension) << "\""
             << (wixl_ ? " Name=\"\"" : "") << " Type=\"raw\" Win64=\"" << win64() << "\"/>\n"
             << "    </Property>\n";
    }
}

// The handler the user installs to open these files; OpenWithProgids keeps
// it offered when another product takes the extension's default, and keeps
// an earlier one offered when this product does. FILE_TYPES=0 at
// installation leaves all of it out.
void WixWriter::fileType(const FileAssociation& association, const std::string& indent) {
    std::string id = uniqueId("a", association.extension);
    std::string progId = progIdFor(package_.vendor, package_.name, association.extension);
    std::string classes = "Software\\Classes\\";
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
    componentCondition(id, "FILE_TYPES <> \"0\" OR Installed", indent + "  ");
    auto value = [&](const std::string& key, const std::string& name, const std::string& text, bool keyPath = false) {
        out_ << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"" << xmlText(classes + key) << "\""
             << (name.empty() ? "" : " Name=\"" + name + "\"") << " Type=\"string\" Value=\"" << xmlText(text) << "\""
             << (keyPath ? " KeyPath=\"yes\"" : "") << "/>\n";
    };
    value(progId, "", formattedText(association.description), true);
    value(progId + "\\DefaultIcon", "", "[#" + executableId_ + "],0");
    value(progId + "\\shell\\open\\command", "", "\"[#" + executableId_ + "]\" \"%1\"");
    value("." + association.extension + "\\OpenWithProgids", progId, "");
    out_ << indent << "</Component>\n";
    extensionDefault(association, progId, indent);
}

// The extension's default names the product installed last. It is a
// component of its own, installed with the product and removed with it only
// while the default still names this product: a product installed later
// keeps its documents when this one goes (Windows Installer leaves a
// component whose condition is false at removal). No removal can hand the
// default back to a product installed earlier: removing a product only
// removes; writing a value takes a component being installed.
//
// The component's code is new in every build, and the toolset's "*" would
// give every product the same one (it hashes the key path). A component
// left behind may stay registered to the removed product, and another
// package under the same code would then count that product as a client
// and keep the default when it goes. (Wine's msiexec counts only installed
// products; every upgrade removes the old version before installing, so a
// code of one build costs nothing.)
void WixWriter::extensionDefault(const FileAssociation& association, const std::string& progId, const std::string& indent) {
    std::string id = uniqueId("x", association.extension);
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"" << buildOnlyGuid() << "\" Win64=\"" << win64() << "\">\n";
    componentCondition(id, "(NOT Installed AND FILE_TYPES <> \"0\") OR " + defaultSearches_[association.extension] + " = \"" + progId + "\"",
                       indent + "  ");
    out_ << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"Software\\Classes\\." << xmlText(association.extension)
         << "\" Type=\"string\" Value=\"" << xmlText(progId) << "\" KeyPath=\"yes\"/>\n"
         << indent << "</Component>\n";
}

} // namespace launcher::pack
