#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

void WixWriter::shortcuts(const std::string& indent) {
    components_.push_back("Shortcuts");
    out_ << indent << "<Component Id=\"Shortcuts\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
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

} // namespace launcher::pack
