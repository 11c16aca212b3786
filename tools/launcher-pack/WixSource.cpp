#include "WixSource.h"

#include "InstallTarget.h"
#include "WixWriter.h"

#include <optional>

namespace launcher::pack {

std::string WixWriter::text() {
    std::string vendor = package_.vendor.empty() ? package_.name : package_.vendor;
    out_ << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         << "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
         << "  <Product Id=\"*\" Name=\"" << xmlText(package_.name) << "\" Language=\"1033\" Codepage=\"" << package_.codePage
         << "\" Version=\"" << package_.version << "\" Manufacturer=\"" << xmlText(vendor) << "\" UpgradeCode=\"" << package_.upgradeCode << "\">\n"
         // wixl warns about Platform and ignores it (its -a sets the platform); the WiX toolset needs it.
         << "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"" << (user_ ? "perUser" : "perMachine")
         << "\" Platform=\"" << platformName(package_.platform) << "\" SummaryCodepage=\"" << package_.codePage << "\" Description=\""
         << xmlText(package_.description.empty() ? package_.name : package_.description) << "\"/>\n";
    upgrades();
    out_ << "    <Media Id=\"1\" Cabinet=\"application.cab\" EmbedCab=\"yes\"/>\n"
         << "    <Icon Id=\"ApplicationIcon.exe\" SourceFile=\"" << xmlText(executable().source) << "\"/>\n"
         << "    <Property Id=\"ARPPRODUCTICON\" Value=\"ApplicationIcon.exe\"/>\n"
         << "    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>\n"; // no dialogs to change an installation with
    if (!package_.helpUrl.empty()) out_ << "    <Property Id=\"ARPHELPLINK\" Value=\"" << xmlText(package_.helpUrl) << "\"/>\n";
    if (!package_.aboutUrl.empty()) out_ << "    <Property Id=\"ARPURLINFOABOUT\" Value=\"" << xmlText(package_.aboutUrl) << "\"/>\n";
    installFolder();
    secureProperties();
    fileTypeSearches();
    directories();
    out_ << "    <Feature Id=\"Application\" Title=\"" << xmlText(package_.name) << "\" Level=\"1\">\n";
    for (const std::string& id : components_) out_ << "      <ComponentRef Id=\"" << id << "\"/>\n";
    out_ << "    </Feature>\n  </Product>\n</Wix>\n";
    return out_.str();
}

// Every build of this version, earlier ones and a rebuild alike, is
// replaced; a later version is detected and refused. wixl ignores
// MajorUpgrade's AllowSameVersionUpgrades and an inclusive maximum, so
// the replacing range ends, exclusive, at the next version. (wixl cannot
// mark the row to migrate feature states; the one feature is always on.)
void WixWriter::upgrades() {
    std::optional<std::string> above = nextInstallerVersion(package_.version);
    out_ << "    <Upgrade Id=\"" << package_.upgradeCode << "\">\n"
         << "      <UpgradeVersion Minimum=\"0.0.0\" IncludeMinimum=\"yes\"";
    if (above) out_ << " Maximum=\"" << *above << "\" IncludeMaximum=\"no\"";
    out_ << " Property=\"WIX_UPGRADE_DETECTED\"/>\n";
    upgradeProperties_.push_back("WIX_UPGRADE_DETECTED");
    if (above) {
        upgradeProperties_.push_back("WIX_DOWNGRADE_DETECTED");
        out_ << "      <UpgradeVersion Minimum=\"" << *above
             << "\" IncludeMinimum=\"yes\" OnlyDetect=\"yes\" Property=\"WIX_DOWNGRADE_DETECTED\"/>\n";
    }
    out_ << "    </Upgrade>\n"
         << "    <Condition Message=\"A newer version of [ProductName] is already installed.\">NOT WIX_DOWNGRADE_DETECTED</Condition>\n";
}

// The folder of an installed version, read back so that an upgrade
// installs where the user put the first one (INSTALLDIR= on the command
// line), unless this command line names a folder itself: the search
// fills a property of its own, copied into INSTALLDIR only when that is
// still empty (before costing sets it), in both sequences, as a full user
// interface runs the first. Add/Remove Programs shows the folder through
// ARPINSTALLLOCATION, set once the folder is known. wixl has no
// SetProperty, and schedules a custom action placed after an action at
// the end unless given a number; beside one with a number, it puts
// RemoveExistingProducts placed after InstallValidate (1400) at the end
// too. The installed version goes first, right after InstallValidate,
// before anything is installed, where MajorUpgrade puts it: the package
// never depends on the old one's files.
void WixWriter::installFolder() {
    const char* const copy = "      <Custom Action=\"UseRememberedInstallFolder\" Sequence=\"51\">"
                             "REMEMBERED_INSTALLDIR AND NOT INSTALLDIR</Custom>\n";
    out_ << "    <Property Id=\"REMEMBERED_INSTALLDIR\">\n"
         << "      <RegistrySearch Id=\"RememberedInstallFolder\" Root=\"" << registryRoot() << "\" Key=\"" << productKey()
         << "\" Name=\"InstallFolder\" Type=\"raw\" Win64=\"" << win64() << "\"/>\n"
         << "    </Property>\n"
         << "    <CustomAction Id=\"UseRememberedInstallFolder\" Property=\"INSTALLDIR\" Value=\"[REMEMBERED_INSTALLDIR]\" Impersonate=\"yes\"/>\n"
         << "    <CustomAction Id=\"SetInstallLocation\" Property=\"ARPINSTALLLOCATION\" Value=\"[INSTALLDIR]\" Impersonate=\"yes\"/>\n"
         << "    <InstallUISequence>\n" << copy << "    </InstallUISequence>\n"
         << "    <InstallExecuteSequence>\n" << copy
         << "      <RemoveExistingProducts Sequence=\"1401\"/>\n"
         << "      <Custom Action=\"SetInstallLocation\" Sequence=\"1001\"/>\n"
         << "    </InstallExecuteSequence>\n";
}

// The properties an administrator gives on msiexec's command line reach
// the installation's elevated part only when the package calls them
// secure: a standard user who installs a per-machine package with an
// administrator's approval would otherwise have INSTALLDIR= or
// DESKTOP_SHORTCUT=0 dropped without a word. wixl writes only the upgrade
// searches' properties there and ignores Secure="yes", so its package gets
// the whole list afterwards.
void WixWriter::secureProperties() {
    std::vector<std::string> secure = {"INSTALLDIR"};
    if (package_.desktopShortcut) secure.push_back("DESKTOP_SHORTCUT");
    if (!package_.associations.empty()) secure.push_back("FILE_TYPES");
    if (!wixl_) {
        for (const std::string& property : secure) out_ << "    <Property Id=\"" << property << "\" Secure=\"yes\"/>\n";
        return;
    }
    std::string list;
    for (const std::string& property : upgradeProperties_) list += property + ";";
    for (const std::string& property : secure) list += property + ";";
    list.pop_back();
    queries_.push_back("UPDATE `Property` SET `Value` = '" + list + "' WHERE `Property` = 'SecureCustomProperties'");
}

// In the installation folder, beside its files: the remembered folder,
// then shortcuts and file types, each in a component of its own keyed by
// a registry value (a shortcut cannot be a key path).
void WixWriter::programComponents(const std::string& indent) {
    components_.push_back("InstallFolderRecord");
    out_ << indent << "<Component Id=\"InstallFolderRecord\" Guid=\"*\" Win64=\"" << win64() << "\">\n"
         << indent << "  <RegistryValue Root=\"" << registryRoot() << "\" Key=\"" << productKey()
         << "\" Name=\"InstallFolder\" Type=\"string\" Value=\"[INSTALLDIR]\" KeyPath=\"yes\"/>\n"
         << indent << "</Component>\n";
    shortcuts(indent);
    for (const FileAssociation& association : package_.associations) fileType(association, indent);
}

std::string wixSource(const InstallerPackage& package) { return WixWriter(package, WixReader::Toolset).text(); }

WixlForm wixlForm(const InstallerPackage& package) {
    WixWriter writer(package, WixReader::Wixl);
    std::string text = writer.text();
    return {text, writer.queries()};
}

} // namespace launcher::pack
