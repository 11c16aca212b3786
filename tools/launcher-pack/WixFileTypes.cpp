#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

// The extension's default names this product's handler, which the user
// installs to open these files; OpenWithProgids keeps this handler
// offered when another product takes the default, and keeps an earlier
// one offered when this product does.
void WixWriter::fileType(const FileAssociation& association, const std::string& indent) {
    std::string id = uniqueId("a", association.extension);
    std::string progId = progIdFor(package_.vendor, package_.name, association.extension);
    std::string classes = "Software\\Classes\\";
    components_.push_back(id);
    out_ << indent << "<Component Id=\"" << id << "\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
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

} // namespace launcher::pack
