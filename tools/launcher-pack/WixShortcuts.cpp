#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

void WixWriter::shortcuts(const std::string& indent) {
    components_.push_back("Shortcuts");
    out_ << indent << "<Component Id=\"Shortcuts\" Guid=\"*\" Win64=\"yes\">\n";
    std::string description = package_.description.empty() ? "" : " Description=\"" + xmlText(package_.description) + "\"";
    auto shortcut = [&](const char* id, const char* folder) {
        out_ << indent << "  <Shortcut Id=\"" << id << "\" Directory=\"" << folder << "\" Name=\"" << xmlText(package_.name)
             << "\"" << description << " Target=\"[#" << executableId_
             << "]\" WorkingDirectory=\"INSTALLDIR\" Icon=\"ApplicationIcon.exe\" IconIndex=\"0\"";
        // The taskbar groups the shortcut with the running windows by this
        // identity (wixl cannot build it: the package gets it afterwards).
        if (package_.appId.empty()) out_ << "/>\n";
        else out_ << ">\n" << indent << "    <ShortcutProperty Key=\"System.AppUserModel.ID\" Value=\"" << xmlText(formattedText(package_.appId))
                  << "\"/>\n" << indent << "  </Shortcut>\n";
    };
    shortcut("StartMenuShortcut", "ProgramMenuFolder");
    if (package_.desktopShortcut) shortcut("DesktopShortcut", "DesktopFolder");
    keyPathValue("Shortcuts", indent + "  ");
    out_ << indent << "</Component>\n";
}

} // namespace launcher::pack
