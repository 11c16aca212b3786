#include "WixWriter.h"

#include "WixText.h"

namespace launcher::pack {

// Each shortcut is a component of its own, keyed by a value under HKCU in
// both scopes: the WiX toolset's validation (ICE43, ICE57) wants a
// shortcut's component keyed per user, as shortcuts are per-user data in
// its eyes. The desktop one goes when the administrator says
// DESKTOP_SHORTCUT=0 at installation; a later removal takes it whatever the
// property says.
void WixWriter::shortcuts(const std::string& indent) {
    components_.push_back("Shortcuts");
    out_ << indent << "<Component Id=\"Shortcuts\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
    shortcut("StartMenuShortcut", "ProgramMenuFolder", indent + "  ");
    keyPathValue("Shortcuts", indent + "  ", "HKCU");
    out_ << indent << "</Component>\n";
    if (!package_.desktopShortcut) return;
    components_.push_back("DesktopShortcuts");
    out_ << indent << "<Component Id=\"DesktopShortcuts\" Guid=\"*\" Win64=\"" << win64() << "\">\n";
    componentCondition("DesktopShortcuts", "DESKTOP_SHORTCUT <> \"0\" OR Installed", indent + "  ");
    shortcut("DesktopShortcut", "DesktopFolder", indent + "  ");
    keyPathValue("DesktopShortcuts", indent + "  ", "HKCU");
    out_ << indent << "</Component>\n";
}

// No icon of the Icon table: Windows Installer keeps those in a folder named
// after the product code, which every build changes, so a pinned copy of the
// shortcut would lose its icon at the next upgrade. Without one, the shell
// shows the installed executable's own icon.
void WixWriter::shortcut(const char* id, const char* folder, const std::string& indent) {
    out_ << indent << "<Shortcut Id=\"" << id << "\" Directory=\"" << folder << "\" Name=\"" << xmlText(package_.name) << "\"";
    if (!package_.description.empty()) out_ << " Description=\"" << xmlText(package_.description) << "\"";
    out_ << " Target=\"[#" << executableId_ << "]\" WorkingDirectory=\"INSTALLDIR\"";
    // The taskbar groups the shortcut with the running windows by this
    // identity (wixl cannot build it: the package gets it afterwards).
    if (package_.appId.empty()) {
        out_ << "/>\n";
        return;
    }
    out_ << ">\n" << indent << "  <ShortcutProperty Key=\"System.AppUserModel.ID\" Value=\""
         << xmlText(formattedText(package_.appId)) << "\"/>\n" << indent << "</Shortcut>\n";
}

} // namespace launcher::pack
